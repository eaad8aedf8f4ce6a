// The beep through ALSA, and a recorder that stands in for it in the window's tests.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "core/analyse/Interfaces.h"

// Keeps <alsa/asoundlib.h> out of every file that includes this one.
struct _snd_pcm;

namespace kestrane {

// Sample i (0 <= i < n) of an n-sample sine tone at taux samples per second, with a ~1 ms
// linear fade at both ends so the speaker does not click. Frequencies at or above half the rate
// give silence: the alias would be a different, wrong tone.
std::int16_t echantillonTon(std::int64_t i, std::int64_t n, int frequence, int taux);

// Number of samples of a tone of dureeMs at taux samples per second (0 if either is <= 0).
std::int64_t nbEchantillonsTon(int dureeMs, int taux);

// The whole tone as S16 mono samples.
std::vector<std::int16_t> echantillonsTon(int frequence, int dureeMs, int taux);

// Plays the tone on an ALSA device, blocking until it has been heard. The device is opened on
// the first beep and kept open; if it cannot be opened, every later beep is silent and immediate
// until reessayer(). KESTRANE_SANS_SON=1 in the environment silences it without touching ALSA.
// Nothing is ever printed or thrown.
class BipAlsa : public Bip {
  public:
    static constexpr int kTaux = 48000;

    // peripherique is an ALSA PCM name; tests pass "null" or a name that does not exist.
    explicit BipAlsa(std::string peripherique = "default");
    ~BipAlsa() override;
    BipAlsa(const BipAlsa&) = delete;
    BipAlsa& operator=(const BipAlsa&) = delete;

    void bip(int frequenceHz, int dureeMs) override;

    // True while the device is open.
    bool sonDisponible() const;
    // True once opening has failed (and not been forgotten by reessayer()).
    bool ouvertureEchouee() const;
    // How many times opening the device has been attempted.
    int nbOuvertures() const;
    // Forgets a failed open so that the next beep tries again (a device may have been plugged).
    void reessayer();

  private:
    bool ouvrir();  // caller holds verrou_
    void fermer();  // caller holds verrou_
    bool jouer(int frequenceHz, int dureeMs);

    const std::string peripherique_;
    mutable std::mutex verrou_;
    _snd_pcm* pcm_ = nullptr;
    int taux_ = kTaux;
    bool echec_ = false;
    int nbOuvertures_ = 0;
};

}  // namespace kestrane
