#include "ui/StackLayout.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QWidget>

#include "ui/StackView.h"
#include "ui/WidgetOpacity.h"

namespace pelko {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

std::vector<double> lengthsOf(const StackLayoutResult& r) {
  std::vector<double> v;
  for (const auto& p : r.placements) v.push_back(p.length);
  return v;
}
std::vector<double> offsetsOf(const StackLayoutResult& r) {
  std::vector<double> v;
  for (const auto& p : r.placements) v.push_back(p.offset);
  return v;
}

TEST(StackLayoutTest, NaturalLengthsWithSpacingAndCentredAcross) {
  auto r = layoutStack({{0, 34, 34, 34}, {100, 150, 176, 30}, {0, 20, kInf, 40}}, 1000, 34, 2);
  EXPECT_EQ(lengthsOf(r), (std::vector<double>{34, 150, 20}));
  EXPECT_EQ(offsetsOf(r), (std::vector<double>{0, 36, 188}));
  EXPECT_EQ(r.contentLength, 208);
  EXPECT_EQ(r.placements[1].crossOffset, 2);   // 30 in 34, centred
  EXPECT_EQ(r.placements[2].crossLength, 34);  // never wider than the stack
  EXPECT_EQ(r.placements[2].crossOffset, 0);
}

TEST(StackLayoutTest, NaturalLengthIsKeptWithinTheViewsOwnLimits) {
  auto r = layoutStack({{100, 60, 176, 34}, {100, 300, 176, 34}}, 1000, 34, 0);
  EXPECT_EQ(lengthsOf(r), (std::vector<double>{100, 176}));
}

TEST(StackLayoutTest, TooLittleRoomShrinksInProportionToSlackButNotBelowMinimum) {
  // Slack: 50 and 150; deficit 100 is shared 25 / 75.
  auto r = layoutStack({{100, 150, 200, 34}, {50, 200, 200, 34}}, 250, 34, 0);
  EXPECT_EQ(lengthsOf(r), (std::vector<double>{125, 125}));
  // Not enough even at the minimums: everything at its minimum, running past the end.
  r = layoutStack({{100, 150, 200, 34}, {100, 200, 200, 34}, {34, 34, 34, 34}}, 100, 34, 4);
  EXPECT_EQ(lengthsOf(r), (std::vector<double>{100, 100, 34}));
  EXPECT_EQ(r.contentLength, 242);
}

struct EqualCase {
  const char* name;
  EqualLengthRule rule;
  double available;
  double expected;
};

TEST(StackLayoutTest, EqualLengths) {
  std::vector<StackItemMetrics> text = {{0, 90, kInf, 34}, {0, 130, kInf, 34}, {0, 60, kInf, 34}};
  const EqualCase cases[] = {
      {"grows to the maximum", {176, true}, 1000, 176},
      {"shares the longest natural length", {176, false}, 1000, 130},
      {"capped by the maximum", {100, false}, 1000, 100},
      {"squeezed when out of room", {176, true}, 302, 100},  // (302 - 2 gaps of 1) / 3
  };
  for (const auto& c : cases) {
    auto r = layoutStack(text, c.available, 34, 1, c.rule);
    for (double length : lengthsOf(r)) EXPECT_DOUBLE_EQ(length, c.expected) << c.name;
  }
  // Fixed-size icons are not squeezed below their own minimum.
  std::vector<StackItemMetrics> icons(5, {34, 34, 34, 34});
  auto r = layoutStack(icons, 100, 34, 0, EqualLengthRule{34, false});
  for (double length : lengthsOf(r)) EXPECT_EQ(length, 34);
}

TEST(StackLayoutTest, HostileNumbersGiveSaneLayouts) {
  auto r = layoutStack({{std::nan(""), std::nan(""), kInf, std::nan("")}, {-5, -10, -1, 34}}, std::nan(""),
                       -3, -2);
  ASSERT_EQ(r.placements.size(), 2u);
  for (const auto& p : r.placements) {
    EXPECT_GE(p.length, 0);
    EXPECT_GE(p.offset, 0);
    EXPECT_GE(p.crossLength, 0);
  }
  EXPECT_TRUE(layoutStack({}, 100, 34, 1).placements.empty());
}

QWidget* fixedView(QWidget* parent, int w, int h) {
  auto* view = new QWidget(parent);
  view->setFixedSize(w, h);
  return view;
}

TEST(StackViewTest, PlacesArrangedViewsAndKeepsRemovedOnesAsChildren) {
  QWidget root;
  StackView stack(Qt::Horizontal, &root);
  stack.setSpacing(2);
  stack.resize(200, 34);
  QWidget* a = fixedView(nullptr, 34, 34);
  QWidget* b = fixedView(nullptr, 34, 20);
  stack.addArrangedSubview(a);
  stack.addArrangedSubview(b);
  EXPECT_EQ(a->geometry(), QRect(0, 0, 34, 34));
  EXPECT_EQ(b->geometry(), QRect(36, 7, 34, 20));
  EXPECT_EQ(stack.contentLength(), 70);

  stack.removeArrangedSubview(a);
  EXPECT_EQ(a->parentWidget(), &stack) << "a removed view stays for its fade-out";
  EXPECT_EQ(a->geometry(), QRect(0, 0, 34, 34));
  EXPECT_EQ(b->geometry().x(), 0);

  stack.setArrangedSubviews({b, a, b});
  EXPECT_EQ(stack.arrangedSubviews(), (std::vector<QWidget*>{b, a}));
  EXPECT_EQ(a->geometry().x(), 36);

  delete b;  // a deleted view leaves the arrangement
  EXPECT_EQ(stack.arrangedSubviews(), std::vector<QWidget*>{a});
  EXPECT_EQ(a->geometry().x(), 0);
}

TEST(StackViewTest, VerticalStackRunsTopDown) {
  StackView stack(Qt::Vertical);
  stack.resize(48, 300);
  stack.setSpacing(1);
  QWidget* a = fixedView(&stack, 48, 48);
  QWidget* b = fixedView(&stack, 40, 48);
  stack.setArrangedSubviews({a, b});
  EXPECT_EQ(a->geometry(), QRect(0, 0, 48, 48));
  EXPECT_EQ(b->geometry(), QRect(4, 49, 40, 48));
  EXPECT_EQ(stack.sizeHint(), QSize(48, 97));
}

TEST(WidgetOpacityTest, OpacityEffectComesAndGoes) {
  QWidget w;
  EXPECT_EQ(widgetOpacity(w), 1);
  setWidgetOpacity(w, 0);
  EXPECT_EQ(widgetOpacity(w), 0);
  ASSERT_NE(w.graphicsEffect(), nullptr);
  setWidgetOpacity(w, 0.4);
  EXPECT_DOUBLE_EQ(widgetOpacity(w), 0.4);
  setWidgetOpacity(w, 1);
  EXPECT_EQ(w.graphicsEffect(), nullptr);
  setWidgetOpacity(w, std::nan(""));
  EXPECT_EQ(widgetOpacity(w), 1);
  setWidgetOpacity(w, -2);
  EXPECT_EQ(widgetOpacity(w), 0);
}

}  // namespace
}  // namespace pelko
