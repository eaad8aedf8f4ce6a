// The eight charts of the statistics page, made by one factory each. A small header: the pages
// that hold the charts name them without pulling in Qt Charts.
#pragma once

#include <array>

class QWidget;

namespace kestrane {

class GrapheQt;

struct GraphesStat {
    GrapheQt* grapheStatIP = nullptr;
    GrapheQt* grapheStatOS = nullptr;
    GrapheQt* grapheStatNavRobots = nullptr;
    GrapheQt* grapheStatFichierCharge = nullptr;
    GrapheQt* grapheStatTauxCharge = nullptr;
    GrapheQt* grapheStatPrecedent = nullptr;
    GrapheQt* grapheStatHoraires = nullptr;
    GrapheQt* grapheStatVMensuelles = nullptr;
    std::array<GrapheQt*, 8> tous() const;
};

// The eight charts, hidden, children of `parent`.
GraphesStat creerGraphes(QWidget* parent);

GrapheQt* creerGrapheStatIP(QWidget* parent);
GrapheQt* creerGrapheStatOS(QWidget* parent);
GrapheQt* creerGrapheStatNavRobots(QWidget* parent);
GrapheQt* creerGrapheStatFichierCharge(QWidget* parent);
GrapheQt* creerGrapheStatTauxCharge(QWidget* parent);
GrapheQt* creerGrapheStatPrecedent(QWidget* parent);
GrapheQt* creerGrapheStatHoraires(QWidget* parent);
GrapheQt* creerGrapheStatVMensuelles(QWidget* parent);

}  // namespace kestrane
