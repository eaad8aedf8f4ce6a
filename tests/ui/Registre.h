// Every window test class registers itself here, so that one process (one QApplication) runs
// them all and a new test file needs no edit elsewhere:
//     KESTRANE_TEST_UI(TestGraphes)   // in test_graphes.cpp, after the class is complete
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kestrane::tests {

struct ClasseDeTests {
    std::string nom;
    std::function<std::unique_ptr<QObject>()> creer;
};

inline std::vector<ClasseDeTests>& registre() {
    static std::vector<ClasseDeTests> classes;
    return classes;
}

struct Inscription {
    Inscription(std::string nom, std::function<std::unique_ptr<QObject>()> creer) {
        registre().push_back({std::move(nom), std::move(creer)});
    }
};

}  // namespace kestrane::tests

#define KESTRANE_TEST_UI(Classe)                                      \
    static const ::kestrane::tests::Inscription inscription##Classe { \
#Classe, [] { return std::unique_ptr<QObject>(new Classe); }  \
    }
