#pragma once

#include <QObject>
#include <QWidget>

#include "app/drag_drop.h"

namespace velmorra {

// The Qt side of a TJvDragDrop: registers a window for drops and, once its filter is installed,
// takes drags that carry local files while the component accepts drags, handing each drop's local
// paths, in the order the drag gave them, to the component. Drops aimed at a window blocked by a
// modal dialog are refused. `window` must outlive this object. The component may go first: its
// destructor takes the filter away, so no event reaches this object after it.
class TQtDropTarget : public QObject, public IDropTargetWindow {
 public:
  TQtDropTarget(QWidget* window, TJvDragDrop& component);

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
