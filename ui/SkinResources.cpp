#include "ui/SkinResources.h"

#include <QDir>

namespace norvanta::ui {
namespace {

constexpr std::array<const char*, SkinResources::ImageCount> kNames = {
    "caption_left",    "caption_center",    "caption_right",      "frame_left",       "frame_right",
    "frame_bottom",    "frame_left_bottom", "frame_right_bottom", "button_min",       "button_min_over",
    "button_min_down", "button_close",      "button_close_over",  "button_close_down"};

} // namespace

QString SkinResources::fileName(Image image)
{
    return QString::fromLatin1(kNames[static_cast<std::size_t>(image)]) + QStringLiteral(".png");
}

QIcon SkinResources::applicationIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/res/icons/norvanta-vpn-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

QFont SkinResources::captionFont(int dotsPerInchY)
{
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setBold(true);
    // Eleven points as a cell height in pixels, rounded the way the title always was.
    font.setPixelSize(dotsPerInchY > 0 ? (11 * dotsPerInchY + 36) / 72 : 11);
    return font;
}

void SkinResources::load(const QString& folder)
{
    const QDir dir(folder);
    for (int index = 0; index < ImageCount; ++index) {
        QImage loaded(dir.filePath(fileName(static_cast<Image>(index))));
        m_images[static_cast<std::size_t>(index)] = std::move(loaded);
    }
    m_icon = applicationIcon();
}

void SkinResources::clear()
{
    m_images = {};
    m_icon = QIcon();
}

SkinMeasures SkinResources::measures() const
{
    auto size = [this](Image image) { return m_images[image].size().expandedTo(QSize(0, 0)); };
    return SkinMeasures{size(CaptionLeft),     size(CaptionCenter),    size(CaptionRight),
                        size(FrameLeft),       size(FrameRight),       size(FrameBottom),
                        size(FrameLeftBottom), size(FrameRightBottom), size(ButtonClose)};
}

} // namespace norvanta::ui
