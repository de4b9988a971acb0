#include "platform/ras/RasEntryName.h"

namespace norvanta::platform::ras {
namespace {

bool isLeadByte(unsigned char c)
{
    return c >= 0x81 && c <= 0xFE;
}

unsigned char foldAscii(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

} // namespace

bool sameEntryName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if (isLeadByte(ca) && i + 1 < a.size()) {
            if (ca != cb || a[i + 1] != b[i + 1]) {
                return false;
            }
            ++i;
        } else if (foldAscii(ca) != foldAscii(cb)) {
            return false;
        }
    }
    return true;
}

bool isValidEntryName(std::string_view name)
{
    if (name.empty() || name.size() > 256 || name.front() == '.') {
        return false;
    }
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '[' || c == ']') {
            return false;
        }
    }
    return true;
}

} // namespace norvanta::platform::ras
