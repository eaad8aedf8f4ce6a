// The arrays the audience counts fill on every line. They live in BlocMemoire, in huge pages
// where the system gives them: first touching 4 KiB pages costs here more than the counting
// itself.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>

#include "core/journal/Memoire.h"

namespace kestrane {

// A growing array of plain values, grown by remapping rather than copying.
template <typename T>
class TableauBloc {
    static_assert(std::is_trivially_copyable_v<T>);

  public:
    // `premiers`: the values to make room for at once.
    explicit TableauBloc(std::size_t premiers = 0) {
        if (premiers > 0) reserver(premiers);
    }
    TableauBloc(TableauBloc&& t) noexcept
        : bloc_(std::move(t.bloc_)), taille_(t.taille_), capacite_(t.capacite_) {
        t.taille_ = t.capacite_ = 0;
    }
    TableauBloc& operator=(TableauBloc&& t) noexcept {
        bloc_ = std::move(t.bloc_);
        taille_ = t.taille_;
        capacite_ = t.capacite_;
        t.taille_ = t.capacite_ = 0;
        return *this;
    }
    void push_back(const T& v) {
        if (taille_ == capacite_) reserver(std::max<std::size_t>(64, capacite_ * 2));
        new (donnees() + taille_) T(v);
        ++taille_;
    }
    T& operator[](std::size_t k) { return donnees()[k]; }
    const T& operator[](std::size_t k) const { return donnees()[k]; }
    std::size_t size() const { return taille_; }
    bool empty() const { return taille_ == 0; }
    T* begin() { return donnees(); }
    T* end() { return donnees() + taille_; }
    const T* begin() const { return donnees(); }
    const T* end() const { return donnees() + taille_; }
    void resize(std::size_t n) { taille_ = std::min(n, taille_); }  // shrinks only
    void reserver(std::size_t n) {
        if (n <= capacite_) return;
        if (!bloc_) {
            bloc_ = std::make_unique<BlocMemoire>(n * sizeof(T));
        } else {
            bloc_->agrandir(n * sizeof(T));
        }
        capacite_ = n;
    }

  private:
    T* donnees() const { return bloc_ ? reinterpret_cast<T*>(bloc_->donnees()) : nullptr; }

    std::unique_ptr<BlocMemoire> bloc_;
    std::size_t taille_ = 0, capacite_ = 0;
};

}  // namespace kestrane
