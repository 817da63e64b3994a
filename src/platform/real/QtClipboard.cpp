#include "platform/real/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace pelko::real {

namespace {

// A copy of the clipboard's contents, every format of it.
QMimeData* copyOf(const QMimeData* source) {
  auto* copy = new QMimeData;
  if (!source) return copy;
  for (const QString& format : source->formats()) copy->setData(format, source->data(format));
  return copy;
}

}  // namespace

bool QtClipboard::writeText(const std::string& text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return false;
  QMimeData* previous = copyOf(clipboard->mimeData());
  const QString wanted = QString::fromStdString(text);
  clipboard->setText(wanted);
  if (clipboard->text() == wanted) {
    delete previous;
    return true;
  }
  clipboard->setMimeData(previous);  // takes ownership
  return false;
}

std::optional<std::string> QtClipboard::readText() const {
  QClipboard* clipboard = QGuiApplication::clipboard();
  const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
  if (!data || !data->hasText()) return std::nullopt;
  return data->text().toStdString();
}

}  // namespace pelko::real
