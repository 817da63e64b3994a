#include "ui/StackLayout.h"

#include <gtest/gtest.h>

#include <QWidget>

#include "ui/StackView.h"
#include "ui/WidgetOpacity.h"

namespace pelko {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

std::vector<double> slotsOf(const StackLayoutResult& r, double StackSlot::*field = &StackSlot::length) {
  std::vector<double> v;
  for (const auto& p : r.placements) v.push_back(p.*field);
  return v;
}

TEST(StackLayoutTest, NaturalLengthsWithSpacingCentredAcrossAndShortOfRoomGivingWayThenSqueezed) {
  auto r = layoutStack({{0, 34, 34, 34}, {100, 150, 176, 30}, {0, 20, kInf, 40}, {100, 300, 176, 34}}, 1000,
                       34, 2);
  EXPECT_EQ(slotsOf(r), (std::vector<double>{34, 150, 20, 176}));  // within each view's own limits
  EXPECT_EQ(slotsOf(r, &StackSlot::offset), (std::vector<double>{0, 36, 188, 210}));
  EXPECT_EQ(r.contentLength, 386);
  EXPECT_EQ(r.placements[1].crossOffset, 2);   // 30 in 34, centred
  EXPECT_EQ(r.placements[2].crossLength, 34);  // never wider than the stack
  EXPECT_EQ(r.placements[2].crossOffset, 0);

  // Short of room, views give way to their minimums. Slack: 50 and 150; a deficit of 100 is shared 25 / 75.
  r = layoutStack({{100, 150, 200, 34}, {50, 200, 200, 34}}, 250, 34, 0);
  EXPECT_EQ(slotsOf(r), (std::vector<double>{125, 125}));
  // Minimums of 250 in 150 points: squeezed in proportion to how far each can go (the last not at all).
  r = layoutStack({{100, 150, 200, 34}, {100, 200, 200, 34}, {50, 50, 50, 34, 50}}, 154, 34, 2);
  EXPECT_EQ(slotsOf(r), (std::vector<double>{50, 50, 50}));
  EXPECT_EQ(r.contentLength, 154);
}

TEST(StackLayoutTest, EqualLengths) {
  std::vector<StackItemMetrics> text = {{0, 90, kInf, 34}, {0, 130, kInf, 34}, {0, 60, kInf, 34}};
  const std::tuple<const char*, EqualLengthRule, double, double> cases[] = {
      {"grows to the maximum", {176, true}, 1000, 176},
      {"shares the longest natural length", {176, false}, 1000, 130},
      {"capped by the maximum", {100, false}, 1000, 100},
      {"squeezed when out of room", {176, true}, 302, 100},  // (302 - 2 gaps of 1) / 3
  };
  for (const auto& [name, rule, available, expected] : cases) {
    for (double length : slotsOf(layoutStack(text, available, 34, 1, rule)))
      EXPECT_DOUBLE_EQ(length, expected) << name;
  }
  // Icons are squeezed alike below their minimum, down to what each may be squeezed to.
  std::vector<StackItemMetrics> icons(5, {34, 34, 34, 34});
  for (double length : slotsOf(layoutStack(icons, 100, 34, 0, EqualLengthRule{34, false})))
    EXPECT_EQ(length, 20);
  icons[2].squeezedLength = 30;
  for (double length : slotsOf(layoutStack(icons, 100, 34, 0, EqualLengthRule{34, false})))
    EXPECT_EQ(length, 30);
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

// A view that keeps 48 points while there is room and may be squeezed to nothing.
struct SqueezableView : QWidget {
  using QWidget::QWidget;
  QSize sizeHint() const override { return {48, 48}; }
  QSize minimumSizeHint() const override { return {48, 48}; }
};

TEST(StackViewTest, PlacesArrangedViewsKeepsRemovedOnesAsChildrenAndSqueezesDownToTheMinimumSize) {
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

  // A vertical stack runs top down.
  StackView column(Qt::Vertical);
  column.resize(48, 300);
  column.setSpacing(1);
  QWidget* c = new SqueezableView(&column);
  QWidget* d = fixedView(&column, 40, 48);
  column.setArrangedSubviews({c, d});
  EXPECT_EQ(c->geometry(), QRect(0, 0, 48, 48));
  EXPECT_EQ(d->geometry(), QRect(4, 49, 40, 48));
  EXPECT_EQ(column.sizeHint(), QSize(48, 97));
  column.resize(48, 61);
  column.layoutArrangedSubviews();  // hidden, it gets no resize event
  EXPECT_EQ(c->geometry(), QRect(0, 0, 48, 12));
  EXPECT_EQ(d->geometry(), QRect(4, 13, 40, 48)) << "its fixed size is not squeezed";
}

TEST(WidgetOpacityTest, OpacityEffectComesAndGoes) {
  QWidget w;
  EXPECT_EQ(widgetOpacity(w), 1);
  for (auto [set, shown] : {std::pair{0.0, 0.0}, {0.4, 0.4}, {std::nan(""), 1.0}, {-2.0, 0.0}, {1.0, 1.0}}) {
    setWidgetOpacity(w, set);
    EXPECT_DOUBLE_EQ(widgetOpacity(w), shown) << set;
  }
  EXPECT_EQ(w.graphicsEffect(), nullptr) << "fully opaque needs no effect";
}

}  // namespace
}  // namespace pelko
