// Any page against a few typical site definitions, the page's length picking
// one: the usual shape with paging and clean-up; EUC with LOCAL links and
// appends; UTF-8 with empty markers everywhere.
#include "fuzz_scan.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzz::Sites sites(
        "HOST_ID\ta\nHOST_MAXCOUNT\t1000000\nT_SEARCH\tnext href=\nT_NEXTURL\t>\nSTARTWORD\t<dl>\n"
        "SEARCH\t<dt><a href=http://\nURL\t>\nTITLE\t</a>\nTEXT\t<br>\nR_DEL\t<b>\n"
        "HOST_ID\tb\nHOST_MAXCOUNT\t1000000\nHOST_KANJI\tEUC\nHOST_LINKDV\tLOCAL\nNOTE\t<li\n"
        "SEARCH\thref=\nURL\t>\nTITLEADD\t<\nTITLEADD\t<\nADDSTRING\t\xa4\xa2\nTEXTADD\t^\n"
        "TEXTADD\t^\nHOST_ID\tc\nHOST_KANJI\tutf-8\nSEARCH\t\nURL\t\nTEXT\tx\nR_DEL\t\n");
    const auto site = static_cast<std::uint32_t>(1 + size % 3);
    fuzz::Scan(*sites.table.Lookup(site), std::string(2000, 'h'),
               std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
