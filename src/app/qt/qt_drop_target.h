#pragma once

#include <QObject>
#include <QWidget>

#include "app/drag_drop.h"

namespace velmorra {

// The Qt side of a TJvDragDrop: registers a window for drops and, once its filter is installed,
// takes drags that carry local files while the component accepts drags, handing each drop's local
// paths, in the order the drag gave them, to the component. Drops aimed at a window blocked by a
// modal dialog are refused. The window and the component must outlive this object, which tells
// the component when it goes first.
class TQtDropTarget : public QObject, public IDropTargetWindow {
 public:
  TQtDropTarget(QWidget* window, TJvDragDrop& component);
  ~TQtDropTarget() override;

  void AcceptFiles(bool accept) override { window_->setAcceptDrops(accept); }
  void InstallDropFilter() override { window_->installEventFilter(this); }
  void RemoveDropFilter() override { window_->removeEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* window_;
  TJvDragDrop& component_;
};

}  // namespace velmorra
