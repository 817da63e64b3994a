#pragma once

#include <map>
#include <string>

#include "platform/Accessibility.h"

namespace pelko::test {

// Passes every call on to another Accessibility interface and counts the calls by kind: "AXWindows",
// "AXPosition", ... for attribute reads, "set <attribute>" for writes, "windowNumber" and so on.
class CountingAccessibility final : public platform::Accessibility {
 public:
  explicit CountingAccessibility(platform::Accessibility& inner) : inner_(inner) {}

  platform::AXElement createApplicationElement(int32_t pid) override {
    return inner_.createApplicationElement(pid);
  }
  platform::AXError setMessagingTimeout(const platform::AXElement& element, float seconds) override {
    return inner_.setMessagingTimeout(element, seconds);
  }
  platform::AXCopyResult copyAttributeValue(const platform::AXElement& element,
                                            std::string_view attribute) override {
    ++calls[std::string(attribute)];
    return inner_.copyAttributeValue(element, attribute);
  }
  platform::AXError setAttributeValue(const platform::AXElement& element, std::string_view attribute,
                                      const platform::AXValue& value) override {
    ++calls["set " + std::string(attribute)];
    return inner_.setAttributeValue(element, attribute, value);
  }
  platform::AXError performAction(const platform::AXElement& element, std::string_view action) override {
    ++calls[std::string(action)];
    return inner_.performAction(element, action);
  }
  platform::AXWindowNumberResult windowNumber(const platform::AXElement& element) override {
    ++calls["windowNumber"];
    return inner_.windowNumber(element);
  }
  platform::AXObserverResult createObserver(int32_t pid, platform::AXObserverCallback callback) override {
    return inner_.createObserver(pid, std::move(callback));
  }

  int total() const {
    int sum = 0;
    for (const auto& [kind, count] : calls) sum += count;
    return sum;
  }
  std::map<std::string, int> calls;

 private:
  platform::Accessibility& inner_;
};

}  // namespace pelko::test
