// What the settings dialogs handed to their apply callbacks, recorded for the tests.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

struct Sent
{
    QString parameter;
    int number;
    void* context;
    QString key;
};

inline std::vector<Sent>& sentLog()
{
    static std::vector<Sent> log;
    return log;
}

inline int recordSend(const QString& parameter, int number, void* context, const QString& key)
{
    sentLog().push_back({parameter, number, context, key});
    return 1;
}

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}
