// A journal followed in the window while a writer appends to it, splits lines across writes,
// rotates it by renaming, truncates it, deletes it and creates it again: the window's journal,
// detail text and report equal at the end those of a one-shot analysis of every line written,
// with the user's order and selection kept across the updates; the choice remembered; paused, the
// lines wait and come when the follow goes on.
#pragma once

#include <QObject>

#include "tests/commun/DossierDeTest.h"

class TestSuivi : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void suiviEgalAnalyseDuTout();
    void suspenduPuisRepris();

  private:
    kestrane::tests::DossierDeTest dossier_;
};
