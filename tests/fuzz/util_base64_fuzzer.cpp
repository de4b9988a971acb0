#include "util/Base64Coder.h"

#include <cstdlib>
#include <cstring>
#include <string>

// Decodes arbitrary bytes, then checks that encoding the same bytes round-trips, all on
// one coder so buffer reuse between differently sized operations is exercised too.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const char* bytes = reinterpret_cast<const char*>(data);
    Base64Coder coder;
    coder.DecodeRange(bytes, size);
    if (coder.RawBytes()[coder.RawCapacity() - 1] != '\0') {
        std::abort();
    }
    coder.EncodeRange(bytes, size);
    if (coder.TextLength() != (size + 2) / 3 * 4) {
        std::abort();
    }
    const std::string text = coder.Base64Text();
    coder.DecodeRange(text.data(), text.size());
    if (std::memcmp(coder.RawBytes(), bytes, size) != 0) {
        std::abort();
    }
    return 0;
}
