// Arbitrary bytes through MD5 in arbitrary pieces: the digest never depends on how the data was cut, and
// the comparison with a configuration's text never reads past either text.
#include <cstdlib>

#include "fuzz/FuzzText.h"
#include "transfer/pure/Md5.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora::transfer;
    const std::string whole = DigestText(Md5Of(std::string_view(reinterpret_cast<const char*>(data), size)));

    Md5 pieces;
    std::size_t at = 0;
    std::size_t step = size == 0 ? 1 : (data[0] % 97) + 1;
    while (at < size) {
        std::size_t take = step < size - at ? step : size - at;
        pieces.Update(data + at, take);
        at += take;
    }
    if (DigestText(pieces.Finish()) != whole)
        std::abort();

    std::wstring expected = velmora::fuzz::Utf16Units(data, size);
    bool matches = DigestMatches(expected, whole);
    if (matches && expected.size() < 32)
        std::abort();
    std::wstring upper;
    for (char c : whole)
        upper += static_cast<wchar_t>(c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c);
    if (!DigestMatches(upper + expected, whole))
        std::abort();
    return 0;
}
