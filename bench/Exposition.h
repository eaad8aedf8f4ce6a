// The window exposed as when another window passes over it, for the benchmarks that measure how
// long the window goes without painting.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

namespace kestrane {

// Asks the window to repaint every 10 ms from another thread, as the window system does when
// another window passes over it, and notes when the window actually paints.
class Exposition : public QObject {
  public:
    using Horloge = std::chrono::steady_clock;

    explicit Exposition(QWidget& fenetre) : fenetre_(fenetre) {
        fenetre.installEventFilter(this);
        fil_ = std::thread([this] {
            while (!fin_) {
                if (arme_) {
                    QMetaObject::invokeMethod(
                        &fenetre_, [this] { fenetre_.update(); }, Qt::QueuedConnection);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });
    }
    ~Exposition() override {
        fin_ = true;
        fil_.join();
        fenetre_.removeEventFilter(this);
    }

    // Runs `commande` with the window exposed; returns the longest gap, in ms, between the start,
    // the paints and the end.
    double mesurer(const std::function<void()>& commande) {
        peintures_.clear();
        const auto debut = Horloge::now();
        arme_ = true;
        commande();
        arme_ = false;
        const auto fin = Horloge::now();
        double ecart = 0;
        auto avant = debut;
        peintures_.push_back(fin);
        for (const auto t : peintures_) {
            ecart = std::max(ecart, std::chrono::duration<double, std::milli>(t - avant).count());
            avant = t;
        }
        return ecart;
    }

  protected:
    bool eventFilter(QObject* objet, QEvent* e) override {
        if (objet == &fenetre_ && e->type() == QEvent::Paint && arme_) {
            peintures_.push_back(Horloge::now());
        }
        return false;
    }

  private:
    QWidget& fenetre_;
    std::atomic<bool> arme_{false}, fin_{false};
    std::vector<Horloge::time_point> peintures_;
    std::thread fil_;
};

}  // namespace kestrane
