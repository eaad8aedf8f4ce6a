// A read-only view of millions of lines: it asks its source only for the lines it shows, so a
// journal of 10 million lines costs no more to display than one of 30.
#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QHash>
#include <QString>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/journal/Journal.h"

class QAction;

namespace kestrane {

// Where the view reads its lines. Texts are Windows-1252 bytes. A source may grow or shrink
// between two paints: the view never asks past its current end and catches up with its ranges
// right after (the owner can call `VueTexte::actualiser()` to do it at once).
class SourceLignes {
  public:
    virtual ~SourceLignes() = default;
    virtual std::size_t nbLignes() const = 0;
    virtual std::string ligne(std::size_t i) const = 0;
    // Longest line in characters, for the horizontal range; may be an estimate.
    virtual std::size_t largeurMax() const = 0;

    // At most `longueur` bytes of line i from byte `debut`. A source that holds its text
    // overrides this so that a 1 MB line is not copied to paint 100 columns of it.
    virtual std::string extrait(std::size_t i, std::size_t debut, std::size_t longueur) const;
    // Bytes of lines [premiere, derniere] (an upper bound is fine, 0 when unknown), so that a
    // copy of the whole journal reserves its text once.
    virtual std::size_t tailleOctets(std::size_t premiere, std::size_t derniere) const;
    // Hands the whole text to `ecrivain` in pieces: the lines joined by CR LF, no break after
    // the last. A source that can produce its text faster than line by line overrides it.
    virtual void ecrire(const std::function<void(std::string_view)>& ecrivain) const;
};

class SourceVide : public SourceLignes {
  public:
    std::size_t nbLignes() const override { return 0; }
    std::string ligne(std::size_t) const override { return {}; }
    std::size_t largeurMax() const override { return 0; }
};

// What the view draws for these bytes: one character per byte, so columns stay bytes. C0
// controls (tab included: a log has no columns to align) and DEL show as their control pictures
// (U+2400 + code, U+2421), the five undefined bytes as U+FFFD; everything else as decoded.
// Where no font has such a glyph at a column's width, the view draws an empty box instead.
QString texteAffiche(std::string_view octets);

class VueTexte : public QAbstractScrollArea {
    Q_OBJECT

  public:
    explicit VueTexte(QWidget* parent = nullptr);

    // Shows `source` from its first line, nothing selected. A null source is an empty one.
    void changerSource(std::shared_ptr<const SourceLignes> source);
    void vider();
    const std::shared_ptr<const SourceLignes>& source() const { return source_; }
    // The same lines and more after them (a journal followed as it grows): the position and
    // the selection kept.
    void prolongerSource(std::shared_ptr<const SourceLignes> source);
    // After the source changed its lines: new ranges, selection kept within them, repaint.
    void actualiser();

    std::size_t nbLignes() const { return source_->nbLignes(); }
    // Line i as the clipboard gets it (decoded, controls left as they are).
    QString texteLigne(std::size_t i) const;

    void changerFond(QColor fond);
    QColor fond() const { return fond_; }

    bool aSelection() const;
    std::size_t premiereSelectionnee() const;
    std::size_t derniereSelectionnee() const;
    void selectionner(std::size_t premiere, std::size_t derniere);
    void toutSelectionner();
    void copier() const;
    // Selected lines joined by "\n" (empty without selection).
    QString texteSelection() const;

    // Lines that fit entirely in the viewport (the page step).
    int lignesVisibles() const;

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void mesurerPolice();
    void ajusterBarres();
    // The line under a viewport ordinate, clamped to the source's lines (-1 when empty).
    long long ligneSous(int y) const;
    void dessinerLigne(QPainter& p, std::size_t i, qreal y, bool choisie);
    // A substitute character is drawn only if it fits a column; the answer is kept per font.
    bool tientDansUneCellule(QChar c) const;

    std::shared_ptr<const SourceLignes> source_;
    QColor fond_;
    qreal largeurCar_ = 1;
    int hauteurLigne_ = 1;
    int ascendante_ = 0;
    // Selection as anchor and moving end, in line numbers; -1 when nothing is selected.
    long long ancre_ = -1;
    long long extremite_ = -1;
    bool glisse_ = false;
    std::size_t lignesConnues_ = 0;
    mutable QHash<char16_t, bool> tientCellule_;
    QAction* actCopier_;
    QAction* actToutSelectionner_;
};

}  // namespace kestrane
