#include "ui/dialogues/UdialogueForm.h"

namespace kestrane {

TdialogueForm::TdialogueForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dialogueForm"));
    setWindowTitle(QStringLiteral("Traitement... - Kestrane"));
}

}  // namespace kestrane
