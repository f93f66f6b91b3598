#pragma once
// Small helpers of the project tests: environment overrides undone at scope end, file reading.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <optional>
#include <ostream>

// Readable QString values in assertion messages.
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

namespace tavrel::test {

class TEnvOverride
{
public:
    TEnvOverride(const char *name, const QString &value) : m_name(name)
    {
        if (qEnvironmentVariableIsSet(name))
            m_old = qgetenv(name);
        qputenv(name, value.toLocal8Bit());
    }
    ~TEnvOverride()
    {
        if (m_old)
            qputenv(m_name, *m_old);
        else
            qunsetenv(m_name);
    }
    TEnvOverride(const TEnvOverride &) = delete;
    TEnvOverride &operator=(const TEnvOverride &) = delete;

private:
    const char *m_name;
    std::optional<QByteArray> m_old;
};

inline QByteArray ReadBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void WriteBytes(const QString &path, const QByteArray &data)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(data);
}

// A hand-written project file: the text in UTF-16 LE with its byte-order mark.
inline QByteArray Utf16File(const QString &text)
{
    QByteArray out("\xFF\xFE", 2);
    out.append(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    return out;
}

} // namespace tavrel::test
