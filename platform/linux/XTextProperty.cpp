#include "platform/linux/XTextProperty.h"

namespace platform::XTextProperty {

QStringList pieces(QByteArray value, bool latin1)
{
    if (value.endsWith('\0'))
        value.chop(1);
    QStringList result;
    for (const QByteArray& piece : value.split('\0'))
        result.append(latin1 ? QString::fromLatin1(piece) : QString::fromUtf8(piece));
    return result;
}

} // namespace platform::XTextProperty
