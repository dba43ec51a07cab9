#include "CString.h"

#include "Internal.h"


void CString::MakeUpper()
{
    const QByteArray bytes(data(), static_cast<qsizetype>(size()));
    const QString text = QString::fromUtf8(bytes);
    if (text.toUtf8() == bytes) {
        assign(platform::detail::fromQt(text.toUpper()));
        return;
    }
    // Not UTF-8: change only what is certainly a letter.
    for (char& c : *this) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
}
