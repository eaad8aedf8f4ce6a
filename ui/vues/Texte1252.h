// Windows-1252 at the Qt boundary: the core keeps the file's bytes, the screen and the clipboard
// want Unicode. Every conversion of the program goes through here.
#pragma once

#include <QString>
#include <QStringView>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/journal/Texte.h"

namespace kestrane {

// Unicode of each byte: kTable1252 (core/journal/Texte.h), whose five undefined bytes keep their
// C1 code point, so that any file survives a round trip.
QString depuis1252(std::string_view octets);
// Appends to `dest` without a temporary: lets a caller that reserved once build a long text.
void ajouter1252(QString& dest, std::string_view octets);

// The bytes of `texte`. A character Windows-1252 cannot hold becomes '?' (one per code point)
// and `*complet`, when given, is set to false; otherwise it is set to true.
std::string vers1252(QStringView texte, bool* complet = nullptr);

// Log text in the new pages: UTF-8 when it is valid UTF-8, Windows-1252 otherwise, NUL as
// U+FFFD (core/journal/Texte.h).
QString depuisJournal(std::string_view octets);

// Text from a log or a file name as a tooltip: Qt reads a tooltip that looks like markup as rich
// text, and a few hundred bytes of nested tables take its layout for ever. Escaped, and kept on
// its lines, the text shows as it is.
QString bulleTexte(const QString& texte);

// Text that may quote a log or a file name, for a message box or the status line: the C0 controls
// and DEL shown as their control pictures (as the journal view shows them), the C1 controls as
// "\x9b", so that none acts on the text around it.
QString controlesVisibles(const QString& texte);

// "1 ligne", "2 lignes": the number and its noun, singular for 0 and 1 (UTF-8 literals).
QString quantiteTexte(int64_t n, const char* singulier, const char* pluriel);

}  // namespace kestrane
