// The processing dialog: created at start-up with the main window and kept hidden.
#pragma once

#include <QDialog>

namespace kestrane {

class TdialogueForm : public QDialog {
    Q_OBJECT
  public:
    explicit TdialogueForm(QWidget* parent = nullptr);
};

}  // namespace kestrane
