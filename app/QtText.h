// The engine's UTF-8 texts as Qt strings, and file names, which are bytes.
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <string_view>

#include "core/TextCodec.h"
#include "core/Utf.h"

namespace quilto::app {

inline QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// File names are UTF-8 mostly; those from old disks are in the legacy code
// page. Only for showing: operations keep the bytes.
inline QString DisplayName(std::string_view raw) {
    if (core::IsValidUtf8(raw)) return ToQString(raw);
    return ToQString(core::LegacyCodec().decode(raw));
}

// A local file URL for path bytes: bytes that are no UTF-8 stay
// percent-encoded, so that the receiver opens the very same file.
inline QUrl RawFileUrl(std::string_view rawPath) {
    const QByteArray bytes(rawPath.data(), static_cast<qsizetype>(rawPath.size()));
    return QUrl::fromEncoded(QByteArrayLiteral("file://") + bytes.toPercentEncoding("/"), QUrl::StrictMode);
}

}  // namespace quilto::app
