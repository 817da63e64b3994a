#include "platform/sim/SimulatedMac.h"

#include <algorithm>

namespace pelko::sim {

using Lock = std::lock_guard<std::recursive_mutex>;

// ---- Faults ----

void SimulatedMac::setAXError(int32_t pid, std::optional<AXError> error) {
  setAppFault(pid, &App::axError, error);
}

void SimulatedMac::setHung(int32_t pid, bool hung) {
  setAppFault(pid, &App::hung, hung);
}

namespace {
template <class Map>
void setOrErase(Map& map, const std::string& key, std::optional<AXError> error) {
  if (error)
    map[key] = *error;
  else
    map.erase(key);
}
}  // namespace

void SimulatedMac::setAttributeReadError(int32_t pid, const std::string& attribute,
                                         std::optional<AXError> error) {
  Lock lock(anchor_->mutex);
  if (App* app = findApp(pid)) setOrErase(app->readErrors, attribute, error);
}

void SimulatedMac::setAttributeWriteError(int32_t pid, const std::string& attribute,
                                          std::optional<AXError> error) {
  Lock lock(anchor_->mutex);
  if (App* app = findApp(pid)) setOrErase(app->writeErrors, attribute, error);
}

void SimulatedMac::setWindowAttributeReadError(WindowID window, const std::string& attribute,
                                               std::optional<AXError> error) {
  Lock lock(anchor_->mutex);
  Window* w = findWindow(window);
  if (!w) return;
  if (!w->readErrors) w->readErrors = std::make_unique<ErrorTable>();
  setOrErase(*w->readErrors, attribute, error);
}

void SimulatedMac::setActionError(int32_t pid, const std::string& action, std::optional<AXError> error) {
  Lock lock(anchor_->mutex);
  if (App* app = findApp(pid)) setOrErase(app->actionErrors, action, error);
}

void SimulatedMac::setRefusesAttributeWrites(int32_t pid, std::optional<AXError> error) {
  setAppFault(pid, &App::refusedWriteError, error);
}

void SimulatedMac::setWindowNumberUnavailable(WindowID window, bool unavailable) {
  Lock lock(anchor_->mutex);
  if (Window* w = findWindow(window)) w->numberUnavailable = unavailable;
}

void SimulatedMac::setObserverCreationError(int32_t pid, std::optional<AXError> error) {
  setAppFault(pid, &App::observerCreationError, error);
}

void SimulatedMac::setRefusesActivation(int32_t pid, bool refuses) {
  setAppFault(pid, &App::refusesActivation, refuses);
}

void SimulatedMac::setIgnoresTerminate(int32_t pid, bool ignores) {
  setAppFault(pid, &App::ignoresTerminate, ignores);
}

void SimulatedMac::setReopenEventFails(int32_t pid, bool fails) {
  setAppFault(pid, &App::reopenFails, fails);
}

void SimulatedMac::setOpensWindowOnReopen(int32_t pid, bool opens) {
  setAppFault(pid, &App::opensWindowOnReopen, opens);
}

void SimulatedMac::setRestoresFrameAfterWrite(int32_t pid, bool restores) {
  setAppFault(pid, &App::restoresFrameAfterWrite, restores);
}

void SimulatedMac::setRestoresMinimizedWindowsOnActivation(int32_t pid, bool restores) {
  setAppFault(pid, &App::restoresMinimizedOnActivation, restores);
}

void SimulatedMac::setWindowListUnavailable(bool unavailable) {
  Lock lock(anchor_->mutex);
  windowServerFaults_.windowListUnavailable = unavailable;
}

void SimulatedMac::addRawWindowListRow(const platform::WindowInfo& row, bool atFront) {
  Lock lock(anchor_->mutex);
  windowServerFaults_.rawRows.push_back({row, atFront});
}

void SimulatedMac::setDisplayListError(std::optional<platform::CGError> error) {
  Lock lock(anchor_->mutex);
  windowServerFaults_.displayListError = error;
}

void SimulatedMac::setWindowCaptureFails(bool fails) {
  Lock lock(anchor_->mutex);
  windowServerFaults_.captureFails = fails;
}

void SimulatedMac::setTinyWindowImages(bool tiny) {
  Lock lock(anchor_->mutex);
  windowServerFaults_.tinyImages = tiny;
}

void SimulatedMac::setWindowCaptureSlowdown(int times) {
  Lock lock(anchor_->mutex);
  windowServerFaults_.captureSlowdown = std::max(1, times);
}

}  // namespace pelko::sim
