#include "app/qt/qt_drop_target.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace velmorra {

namespace {

// The file name of a local file's URL as bytes. toLocalFile decodes the name as UTF-8, turning
// each byte that is not UTF-8 into U+FFFD; the URL's percent-encoded path keeps every byte.
std::string LocalPath(const QUrl& url) {
  const QByteArray path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
  const QString host = url.host(QUrl::FullyEncoded);
  return (host.isEmpty() ? std::string() : "//" + host.toStdString()) + path.toStdString();
}

std::vector<std::string> LocalPaths(const QMimeData* data) {
  std::vector<std::string> paths;
  if (data == nullptr || !data->hasUrls())
    return paths;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile())
      paths.push_back(LocalPath(url));
  }
  return paths;
}

// A Qt drop as the component reads it. Qt owns the event, so there is nothing to release.
class TQtDroppedFiles : public IDroppedFiles {
 public:
  TQtDroppedFiles(std::vector<std::string> names, TPoint point)
      : names_(std::move(names)), point_(point) {}
  unsigned Count() override { return static_cast<unsigned>(names_.size()); }
  size_t NameLength(unsigned index) override { return names_.at(index).size(); }
  size_t ReadName(unsigned index, char* buffer, size_t buffer_size) override {
    if (buffer_size == 0)
      return 0;
    const size_t copied = std::min(buffer_size - 1, names_.at(index).size());
    std::memcpy(buffer, names_.at(index).data(), copied);
    buffer[copied] = '\0';
    return copied;
  }
  TPoint Point() override { return point_; }
  void Finish() override {}

 private:
  std::vector<std::string> names_;
  TPoint point_;
};

}  // namespace

TQtDropTarget::TQtDropTarget(QWidget* window, TJvDragDrop& component)
    : window_(window), component_(component) {}

bool TQtDropTarget::eventFilter(QObject* watched, QEvent* event) {
  if (watched != window_)
    return false;
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
    return false;
  auto* drop = static_cast<QDropEvent*>(event);
  const bool takes_drops = component_.AcceptDrag() && QApplication::activeModalWidget() == nullptr;
  std::vector<std::string> paths = LocalPaths(drop->mimeData());
  if (!takes_drops || paths.empty())
    return false;
  drop->acceptProposedAction();
  if (type == QEvent::Drop) {
    const QPoint position = drop->position().toPoint();
    TQtDroppedFiles files(std::move(paths), TPoint{position.x(), position.y()});
    component_.HandleDrop(files);
  }
  return true;
}

}  // namespace velmorra
