#pragma once

#include <QFileDialog>
#include <memory>
#include <string>

#include "app/controls.h"

namespace velmorra {

// The open dialog for a datastore file: "Nokia Ovi Database", filter "Nokia Ovi Db (*.db3)",
// default suffix db3, one file, resizable. It starts from the last file chosen in it and is never
// filled from elsewhere. `parent` must outlive it.
class TQtOpenDialog : public IOpenDialog {
 public:
  explicit TQtOpenDialog(QWidget* parent) : parent_(parent) {}
  bool Execute() override;
  std::string FileName() const override { return file_name_; }

  // The Qt dialog, made on first use and kept.
  QFileDialog& Dialog();

 private:
  QWidget* parent_;
  std::unique_ptr<QFileDialog> dialog_;
  std::string file_name_;
};

}  // namespace velmorra
