// The test cases the catalogue's authors publish beside it (test_ua.yaml, test_os.yaml): for
// each user agent, the family and major version the catalogue must give. Read by the tests and
// by bench_catalogue.
#pragma once

#include <yaml-cpp/yaml.h>

#include <filesystem>
#include <string>
#include <vector>

namespace kestrane {

struct CasPublie {
    std::string agent;
    std::string famille;
    std::string majeure;  // empty when the case expects none
};

// The cases of one file; none when the file is absent.
inline std::vector<CasPublie> lireCasPublies(const std::filesystem::path& chemin) {
    std::vector<CasPublie> cas;
    if (!std::filesystem::exists(chemin)) return cas;
    const auto texte = [](const YAML::Node& n) {
        return n && !n.IsNull() ? n.as<std::string>() : std::string();
    };
    for (const YAML::Node& n : YAML::LoadFile(chemin.string())["test_cases"])
        cas.push_back({texte(n["user_agent_string"]), texte(n["family"]), texte(n["major"])});
    return cas;
}

}  // namespace kestrane
