// The console's profile file with the semantics of the Windows private-profile functions:
// section and key names compare case-insensitively, the first section and the first key of a
// name win, a default is returned only for a missing key, values are plain text (no escapes:
// "C:\data,old" stays as it is), surrounding blanks and one pair of matching quotes are
// dropped when reading. The file is read on every call and written whole through a temporary
// file, so an interrupted write never leaves a half-written profile.
#pragma once

#include "platform_global.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The text of a profile in memory; ProfileFile reads and writes it. Lines keep their form, so
// comments and unknown entries survive every write.
class TARNPLATFORM_EXPORT ProfileText
{
public:
    ProfileText() = default;
    // UTF-8, a leading byte-order mark dropped; CR LF, LF and CR all end lines.
    explicit ProfileText(const QByteArray& content);
    QByteArray ToBytes() const;

    // Null when the section or key is missing.
    QString Get(const QString& section, const QString& key) const;
    bool HasSection(const QString& section) const;
    // The "key=value" lines of a section as stored, comments and blank lines left out.
    QStringList Section(const QString& section) const;
    // Sets or adds a key; a section that is missing is added at the end. Refuses names and values
    // that would change other entries (line breaks, a key with "=" or starting with "[" or ";",
    // a section with "]"). As on the original platform, blanks around a value and one pair of
    // quotes around it are lost on reading.
    bool Set(const QString& section, const QString& key, const QString& value);
    bool RemoveKey(const QString& section, const QString& key);
    bool RemoveSection(const QString& section);
    // Replaces the whole body of a section (adding it when missing) with "key=value" lines; an
    // empty list leaves the section empty.
    bool SetSection(const QString& section, const QStringList& lines);

    static bool ValidSection(const QString& section);
    static bool ValidKey(const QString& key);
    static bool ValidValue(const QString& value);

private:
    // Index of the section's header line, -1 when missing; end receives the index after its body.
    int find(const QString& section, int* end) const;
    // Index of the key's line within lines (head, end), -1 when missing.
    int findKey(int head, int end, const QString& key) const;
    QStringList m_lines;
};

class TARNPLATFORM_EXPORT ProfileFile
{
public:
    explicit ProfileFile(QString path) : m_path(std::move(path)) {}
    const QString& Path() const { return m_path; }

    // The value, or def when the key is missing (a present but empty value gives ""). With a
    // buffer size n > 0 the value is cut to n - 1 characters, as a fixed buffer would.
    QString GetString(const QString& section, const QString& key, const QString& def,
                      int bufferSize = 0) const;
    // Leading blanks, a sign and decimal digits; def when the key is missing, 0 when it holds no number.
    int GetInt(const QString& section, const QString& key, int def) const;
    bool WriteString(const QString& section, const QString& key, const QString& value);
    bool DeleteKey(const QString& section, const QString& key);
    bool DeleteSection(const QString& section);
    bool WriteSection(const QString& section, const QStringList& lines);

    ProfileText Read() const;
    bool Write(const ProfileText& text);

private:
    QString m_path;
};
