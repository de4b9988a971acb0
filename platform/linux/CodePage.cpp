#include "platform/CodePage.h"

#include "platform/common/Utf8Piece.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace norvanta::platform {
namespace {

// glibc's "CP949" is the Windows unified Hangul code.
constexpr const char* kCp949 = "CP949";
constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

class Converter {
public:
    Converter(const char* to, const char* from) : m_handle(iconv_open(to, from)) {}
    ~Converter()
    {
        if (valid()) {
            iconv_close(m_handle);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return m_handle != reinterpret_cast<iconv_t>(-1); }

    // Converts as much of `input` as is valid, appending to `output`; returns how many
    // bytes of `input` were taken. Stops at the first byte sequence it cannot convert.
    std::size_t convertPrefix(std::string_view input, std::string& output) const
    {
        char* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        char buffer[1024];
        while (inLeft > 0) {
            char* out = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t result = iconv(m_handle, &in, &inLeft, &out, &outLeft);
            output.append(buffer, static_cast<std::size_t>(out - buffer));
            if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
                break;
            }
        }
        iconv(m_handle, nullptr, nullptr, nullptr, nullptr);
        return input.size() - inLeft;
    }

private:
    iconv_t m_handle;
};

// Converts `input`, putting `replacement` in place of each unconvertible piece and skipping
// the piece as `skip` measures it. Nothing when `replacement` is null and a piece fails.
std::optional<std::string> convert(const char* to, const char* from, std::string_view input,
                                   const std::string_view* replacement, std::size_t (*skip)(std::string_view rest))
{
    const Converter converter(to, from);
    if (!converter.valid()) {
        return std::nullopt;
    }
    std::string output;
    output.reserve(input.size() * 3 / 2);
    while (!input.empty()) {
        input.remove_prefix(converter.convertPrefix(input, output));
        if (input.empty()) {
            break;
        }
        if (replacement == nullptr) {
            return std::nullopt;
        }
        output.append(*replacement);
        input.remove_prefix(std::min(input.size(), skip(input)));
    }
    return output;
}

std::size_t skipOneByte(std::string_view)
{
    return 1;
}

} // namespace

std::string utf8FromCp949(std::string_view cp949)
{
    return convert("UTF-8", kCp949, cp949, &kReplacementUtf8, skipOneByte).value_or(std::string());
}

std::string cp949FromUtf8(std::string_view utf8)
{
    static constexpr std::string_view kQuestionMark = "?";
    return convert(kCp949, "UTF-8", utf8, &kQuestionMark, nextUtf8Piece).value_or(std::string());
}

std::optional<std::string> exactUtf8FromCp949(std::string_view cp949)
{
    return convert("UTF-8", kCp949, cp949, nullptr, skipOneByte);
}

std::optional<std::string> exactCp949FromUtf8(std::string_view utf8)
{
    return convert(kCp949, "UTF-8", utf8, nullptr, nextUtf8Piece);
}

} // namespace norvanta::platform
