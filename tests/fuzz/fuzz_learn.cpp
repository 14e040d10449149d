// The learner on arbitrary pages: the first half is the keyword's page, the
// second the second keyword's.
#include <cstddef>
#include <cstdint>
#include <string>

#include "learn/learner.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    quennit::learn::LearnRequest request;
    request.url = "http://find.test/s?q=kw&p=1";
    request.keyword = "kw";
    request.secondKeyword = "zz";
    request.page = bytes.substr(0, size / 2);
    request.secondPage = bytes.substr(size / 2);
    (void)quennit::learn::Learn(request);
    return 0;
}
