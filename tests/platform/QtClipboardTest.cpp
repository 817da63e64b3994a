// The display's clipboard: a write counts only when it reads back, and one that does not gives back what
// the clipboard held before, every format of it.

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "platform/real/QtClipboard.h"

namespace pelko::real {
namespace {

class QtClipboardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clipboard = QGuiApplication::clipboard();
    ASSERT_NE(clipboard, nullptr);
    auto* before = new QMimeData;
    before->setText("kept text");
    before->setHtml("<b>kept</b>");
    clipboard->setMimeData(before);
  }
  void TearDown() override {
    QObject::disconnect(losesWrites);
    clipboard->clear();
  }

  // From now on the clipboard drops `text` as soon as it is written (an owner that gave it up at once,
  // or a display that refused the write): the write does not read back.
  void loseWritesOf(const QString& text) {
    losesWrites = QObject::connect(clipboard, &QClipboard::dataChanged, [this, text] {
      if (clipboard->text() == text) clipboard->clear();
    });
  }

  QClipboard* clipboard = nullptr;
  QMetaObject::Connection losesWrites;
  QtClipboard adapter;
};

TEST_F(QtClipboardTest, AWriteThatReadsBackSucceeds) {
  EXPECT_TRUE(adapter.writeText("Pelko diagnostics\nline two"));
  EXPECT_EQ(adapter.readText(), "Pelko diagnostics\nline two");
  EXPECT_FALSE(clipboard->mimeData()->hasHtml());
}

TEST_F(QtClipboardTest, AWriteThatDoesNotReadBackFailsAndPutsThePreviousContentsBack) {
  loseWritesOf("Pelko diagnostics");
  EXPECT_FALSE(adapter.writeText("Pelko diagnostics"));
  EXPECT_EQ(adapter.readText(), "kept text");
  ASSERT_TRUE(clipboard->mimeData()->hasHtml());
  EXPECT_EQ(clipboard->mimeData()->html(), "<b>kept</b>");
}

}  // namespace
}  // namespace pelko::real
