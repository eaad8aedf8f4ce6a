// A gzip member of a text, as `gzip` writes it, for the tests of compressed journals.
#pragma once

#include <zlib.h>

#include <string>
#include <string_view>

namespace kestrane::test {

inline std::string gzip(std::string_view texte) {
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string sortie(deflateBound(&z, texte.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(texte.data()));
    z.avail_in = static_cast<uInt>(texte.size());
    z.next_out = reinterpret_cast<Bytef*>(sortie.data());
    z.avail_out = static_cast<uInt>(sortie.size());
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) sortie.clear();  // the tests then fail visibly
    sortie.resize(z.total_out);
    deflateEnd(&z);
    return sortie;
}

}  // namespace kestrane::test
