// The up-down arrows of the statistics page's address count.
#pragma once

#include <QWidget>

class QLineEdit;
class QTimer;

namespace kestrane {

// Up and down arrows tied to an edit box, without a text of their own: each press reads the
// box's number, moves it by one within the bounds and writes it back; a text that is not a
// number stays as it is. Held down, the arrow repeats.
class HautBas : public QWidget {
    Q_OBJECT
  public:
    HautBas(QLineEdit* associe, int minimum, int maximum, int position, QWidget* parent = nullptr);

    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    int position() const { return position_; }
    // One press of the up arrow (sens > 0) or of the down arrow.
    void avancer(int sens);

  signals:
    // The mouse button was released over the control.
    void relache();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    QLineEdit* associe_;
    int minimum_, maximum_, position_;
    int sensEnfonce_ = 0;
    QTimer* repetition_;
};

}  // namespace kestrane
