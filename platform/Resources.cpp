#include "Resources.h"

#include "Internal.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPixmap>

#include <map>

namespace platform {
namespace {

struct Registry {
    std::map<int, DialogTemplate> templates;
    std::map<int, std::string> images;
    std::map<int, std::string> strings;
};

Registry& registry()
{
    static Registry r;
    return r;
}

}  // namespace

void RegisterDialogTemplate(DialogTemplate tmpl)
{
    const int id = tmpl.id;
    registry().templates[id] = std::move(tmpl);
}

void RegisterImage(int id, std::string qtResourcePath) { registry().images[id] = std::move(qtResourcePath); }

void RegisterString(int id, std::string text) { registry().strings[id] = std::move(text); }

const DialogTemplate* FindDialogTemplate(int id)
{
    const auto it = registry().templates.find(id);
    return it == registry().templates.end() ? nullptr : &it->second;
}

const std::string* FindString(int id)
{
    const auto it = registry().strings.find(id);
    return it == registry().strings.end() ? nullptr : &it->second;
}

namespace detail {

HICON iconHandle(int id)
{
    static std::map<int, IconResource> handles;
    if (registry().images.count(id) == 0)
        return nullptr;
    auto [it, inserted] = handles.try_emplace(id, IconResource{id});
    (void)inserted;
    return &it->second;
}

QPixmap imageResource(int id)
{
    const auto it = registry().images.find(id);
    if (it == registry().images.end())
        return {};
    return QPixmap(toQt(it->second));
}

void installFontSubstitutions()
{
    // The templates name Windows fonts; use the closest ones a Linux desktop has.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                                QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Comic Sans MS"),
                               {QStringLiteral("Comic Neue"), QStringLiteral("Comic Relief"),
                                QStringLiteral("DejaVu Sans")});
}

QFont templateFont(const DialogTemplate& tmpl)
{
    QFont font(toQt(tmpl.fontFace));
    font.setPointSize(tmpl.fontPointSize);
    return font;
}

QSize dialogBaseUnits(const QFont& font)
{
    // The templates were laid out for MS Sans Serif 8, whose base units are 6 by 13 pixels
    // at 96 dpi. Its stand-ins here are a pixel shorter, which would push controls into
    // each other; keep the layout the templates were designed for.
    if (font.family() == QStringLiteral("MS Sans Serif") && font.pointSize() == 8)
        return {6, 13};
    // Otherwise as Windows computes them: the average width of the Latin letters, and the height.
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(width / 26 + 1) / 2, metrics.height()};
}

}  // namespace detail
}  // namespace platform
