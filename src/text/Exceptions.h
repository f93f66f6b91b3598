#pragma once
// The one exception type of the system: every failure carries a message meant for the user.
#include <QByteArray>
#include <QString>
#include <exception>

namespace tavrel {

class Exception : public std::exception
{
public:
    explicit Exception(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const QString &Message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// Raised when the user cancels a long operation; callers treat it as a quiet end.
class EUserCancel : public Exception
{
public:
    EUserCancel() : Exception(QStringLiteral("Operation cancelled by the user.")) {}
    using Exception::Exception;
};

} // namespace tavrel
