#include "platform/BipAlsa.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <numbers>

// alsa-lib 1.2.8 declares this outside its extern "C" block, so the header's declaration names
// a C++ function that the library does not export. Declaring it again with C linkage reaches the
// real one; with a fixed header both declarations are the same function.
namespace alsa_c {
extern "C" snd_local_error_handler_t snd_lib_error_set_local(snd_local_error_handler_t func);
}

namespace kestrane {

namespace {

// About -6 dBFS: a warning beep, not an alarm.
constexpr double kAmplitude = 16000.0;

// Keeps alsa-lib's messages off stderr while this thread talks to it; restores the previous
// thread-local handler on exit so a caller's own handler is left alone.
void ignorerErreurAlsa(const char*, int, const char*, int, const char*, va_list) {}

class SilenceAlsa {
  public:
    SilenceAlsa() : precedent_(alsa_c::snd_lib_error_set_local(&ignorerErreurAlsa)) {}
    ~SilenceAlsa() { alsa_c::snd_lib_error_set_local(precedent_); }
    SilenceAlsa(const SilenceAlsa&) = delete;
    SilenceAlsa& operator=(const SilenceAlsa&) = delete;

  private:
    snd_local_error_handler_t precedent_;
};

bool sonCoupeParEnvironnement() {
    const char* valeur = std::getenv("KESTRANE_SANS_SON");
    return valeur != nullptr && std::strcmp(valeur, "1") == 0;
}

}  // namespace

std::int64_t nbEchantillonsTon(int dureeMs, int taux) {
    if (dureeMs <= 0 || taux <= 0) return 0;
    return static_cast<std::int64_t>(dureeMs) * taux / 1000;
}

std::int16_t echantillonTon(std::int64_t i, std::int64_t n, int frequence, int taux) {
    if (n <= 0 || i < 0 || i >= n || frequence <= 0 || taux <= 0) return 0;
    if (static_cast<std::int64_t>(frequence) * 2 >= taux) return 0;

    // The phase is reduced with integers so that long tones keep an exact pitch.
    const std::int64_t phase = (static_cast<std::int64_t>(frequence) * (i % taux)) % taux;
    const double angle = 2.0 * std::numbers::pi * static_cast<double>(phase) / taux;

    double gain = 1.0;
    const std::int64_t fondu = std::min<std::int64_t>(taux / 1000, n / 2);
    if (fondu > 0) {
        const double f = static_cast<double>(fondu);
        gain = std::min({1.0, static_cast<double>(i) / f, static_cast<double>(n - 1 - i) / f});
    }
    return static_cast<std::int16_t>(std::lround(kAmplitude * gain * std::sin(angle)));
}

std::vector<std::int16_t> echantillonsTon(int frequence, int dureeMs, int taux) {
    std::vector<std::int16_t> tampon;
    if (frequence <= 0) return tampon;
    const std::int64_t n = nbEchantillonsTon(dureeMs, taux);
    tampon.resize(static_cast<std::size_t>(n));
    for (std::int64_t i = 0; i < n; ++i) {
        tampon[static_cast<std::size_t>(i)] = echantillonTon(i, n, frequence, taux);
    }
    return tampon;
}

BipAlsa::BipAlsa(std::string peripherique) : peripherique_(std::move(peripherique)) {}

BipAlsa::~BipAlsa() {
    std::lock_guard verrou(verrou_);
    fermer();
}

bool BipAlsa::sonDisponible() const {
    std::lock_guard verrou(verrou_);
    return pcm_ != nullptr;
}

bool BipAlsa::ouvertureEchouee() const {
    std::lock_guard verrou(verrou_);
    return echec_;
}

int BipAlsa::nbOuvertures() const {
    std::lock_guard verrou(verrou_);
    return nbOuvertures_;
}

void BipAlsa::reessayer() {
    std::lock_guard verrou(verrou_);
    echec_ = false;
}

void BipAlsa::bip(int frequenceHz, int dureeMs) {
    if (frequenceHz <= 0 || dureeMs <= 0) return;
    if (sonCoupeParEnvironnement()) return;
    try {
        jouer(frequenceHz, dureeMs);
    } catch (...) {
        // A beep is never worth an error: the window goes on without it.
    }
}

bool BipAlsa::ouvrir() {
    ++nbOuvertures_;
    snd_pcm_t* pcm = nullptr;
    // Opened non-blocking so that a device held by another program fails at once instead of
    // hanging the window; writes are switched back to blocking below.
    if (snd_pcm_open(&pcm, peripherique_.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) {
        echec_ = true;
        return false;
    }
    bool ok = snd_pcm_nonblock(pcm, 0) == 0 &&
              snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 1,
                                 kTaux, 1, 100000) == 0;
    // A hardware device may have settled on a nearby rate; the samples must follow it.
    unsigned int taux = kTaux;
    if (ok) {
        snd_pcm_hw_params_t* params = nullptr;
        ok = snd_pcm_hw_params_malloc(&params) == 0;
        if (ok) {
            ok = snd_pcm_hw_params_current(pcm, params) == 0 &&
                 snd_pcm_hw_params_get_rate(params, &taux, nullptr) == 0 && taux > 0;
            snd_pcm_hw_params_free(params);
        }
    }
    if (!ok) {
        snd_pcm_close(pcm);
        echec_ = true;
        return false;
    }
    pcm_ = pcm;
    taux_ = static_cast<int>(taux);
    return true;
}

void BipAlsa::fermer() {
    if (pcm_ != nullptr) {
        SilenceAlsa silence;
        snd_pcm_close(pcm_);
        pcm_ = nullptr;
    }
}

bool BipAlsa::jouer(int frequenceHz, int dureeMs) {
    std::lock_guard verrou(verrou_);
    if (pcm_ == nullptr && echec_) return false;
    SilenceAlsa silence;
    if (pcm_ == nullptr && !ouvrir()) return false;

    // Any write or device error means the device went away: close it and stay silent.
    auto abandonner = [this] {
        fermer();
        echec_ = true;
        return false;
    };

    // The previous drain left the device in SETUP; a failed one may have left it anywhere.
    if (snd_pcm_state(pcm_) != SND_PCM_STATE_PREPARED && snd_pcm_prepare(pcm_) < 0) {
        return abandonner();
    }

    // Generated in slices so that a long beep does not need one large buffer.
    const std::int64_t n = nbEchantillonsTon(dureeMs, taux_);
    std::array<std::int16_t, 2048> tranche{};
    for (std::int64_t debut = 0; debut < n;) {
        const auto taille = static_cast<std::int64_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(tranche.size()), n - debut));
        for (std::int64_t k = 0; k < taille; ++k) {
            tranche[static_cast<std::size_t>(k)] = echantillonTon(debut + k, n, frequenceHz, taux_);
        }
        std::int64_t ecrits = 0;
        int reprises = 0;
        while (ecrits < taille) {
            snd_pcm_sframes_t r = snd_pcm_writei(pcm_, tranche.data() + ecrits,
                                                 static_cast<snd_pcm_uframes_t>(taille - ecrits));
            if (r > 0) {
                ecrits += r;
                reprises = 0;
                continue;
            }
            // Underrun, suspend or signal: recover and write the rest. A device that keeps
            // failing, or accepts nothing, is treated as gone rather than spun on.
            if (r == 0 || ++reprises > 8 || snd_pcm_recover(pcm_, static_cast<int>(r), 1) < 0) {
                return abandonner();
            }
        }
        debut += taille;
    }

    if (snd_pcm_drain(pcm_) < 0) {
        // Leaves the device usable by the next beep even if this one was cut short.
        snd_pcm_drop(pcm_);
    }
    return true;
}

}  // namespace kestrane
