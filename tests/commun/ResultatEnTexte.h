// Everything an analysis shows, as text, so that two analyses that must agree are compared in one
// assertion whose failure shows where they differ: the eight tables, the period lists, the
// readable results, the Compléments, their audience and the per-entry figures.
#pragma once

#include <cstdint>
#include <sstream>
#include <string>

#include "core/analyse/ResultatAnalyse.h"

namespace kestrane::test {

// `lignesLues`: with the lines read and left out of the period (an analysis of the lines cut
// beforehand read fewer).
inline std::string resultatEnTexte(const ResultatAnalyse& r, bool lignesLues = true) {
    std::ostringstream o;
    const TablesAnalyse& t = r.tables;
    for (const auto* table : {&t.statIP, &t.statOS, &t.statNav, &t.statPrecedent, &t.statFichier,
                              &t.statTaux, &t.statHoraires, &t.statVMensuelles}) {
        for (const auto& e : *table)
            o << e.libelle << '|' << e.complement << '|' << e.nombre << ';';
        o << '\n';
    }
    for (const auto& a : r.listes.annees) o << a << ',';
    for (const auto& m : r.listes.mois) o << m << ',';
    if (lignesLues) o << "\nlues " << r.lignesJournal << " hors " << r.horsPeriode;
    const ResultatsLisibles& l = r.lisibles;
    o << '\n'
      << l.actifs << ' ' << l.premiereDate << ' ' << l.derniereDate << ' ' << l.agentsDistincts
      << ' ' << l.heures.jours << ' ' << l.joursCouverts << '\n';
    if (r.complements) {
        const Complements& c = *r.complements;
        if (lignesLues) o << c.lignesLues << ' ' << c.lignesHorsPeriode << ' ';
        o << c.lignesIgnorees << ' ' << c.lignesAnalysees << ' ' << c.requetes << ' ' << c.octets
          << ' ' << c.adressesDistinctes << ' ' << c.datesIllisibles << ' ' << c.premiere.secondes
          << ' ' << c.derniere.secondes << ' ' << c.nbJours << '\n';
        for (const auto& k : c.codes) o << k.code << ':' << k.nombre << ':' << k.octets << ';';
        for (const auto* liste : {&c.introuvables, &c.erreursServeur}) {
            o << '\n';
            for (const auto& f : *liste) o << f.fichier << ':' << f.nombre << ';';
        }
        o << '\n';
        for (const auto& j : c.jours) o << j.jour << ':' << j.requetes << ':' << j.octets << ';';
        o << '\n';
    }
    if (r.audience) {
        const Audience& a = *r.audience;
        o << "audience " << a.requetes << ' ' << a.octets << ' ' << a.requetesDatees << ' '
          << a.visiteurs << ' ' << a.visites << ' ' << a.dureeVisites << ' ' << a.requetesRobots
          << ' ' << a.octetsRobots << '\n';
        for (const auto& j : a.jours) o << j.jour << ':' << j.visiteurs << ':' << j.visites << ';';
        for (const auto* liste :
             {&a.sitesReferents, &a.recherches, &a.robots, &a.methodes, &a.protocoles, &a.pays}) {
            o << '\n';
            for (const auto& e : *liste) o << e.nom << ':' << e.requetes << ':' << e.octets << ';';
        }
        o << '\n';
    }
    if (r.entrees) {
        for (const auto& f : r.entrees->parFichier) {
            o << f.fichier << ':' << f.requetes << ':' << f.octets << ':' << f.visiteurs;
            for (const int64_t c : f.classes) o << ':' << c;
            o << ';';
        }
        for (const auto& s : r.entrees->parSite)
            o << s.site << ':' << s.requetes << ':' << s.visiteurs << ';';
        for (const auto& a : r.entrees->parAdresse) {
            o << a.adresse << ':' << a.requetes << ':' << a.octets << ':' << a.visites << ':'
              << a.premiere << ':' << a.derniere << ':' << a.date << ':' << a.pays << ';';
        }
        o << '\n';
    }
    return o.str();
}

}  // namespace kestrane::test
