// Arbitrary profile files and edits through ProfileText, checked against what it promises:
// - reading never crashes, whatever the bytes;
// - after Set with valid names, Get gives the value without its surrounding blanks and one pair of
//   matching quotes, and every other key that could be read before reads the same;
// - a refused Set or SetSection changes nothing;
// - after SetSection, Section gives the lines, and keys of other sections read the same;
// - the text written out by ToBytes reads back with the same values.
//
// Input: the profile's bytes, optionally followed by "\0\0\0" and edits separated by "\0". An edit
// is a letter and fields separated by "\x1f": "S" section, key, value (Set); "T" section, lines
// (SetSection). Field text is UTF-8.
#include "profilefile.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

[[noreturn]] void fail(const char* what, const QString& section = {}, const QString& key = {})
{
    std::fprintf(stderr, "fuzz_profile: %s [%s] %s\n", what, section.toUtf8().constData(),
                 key.toUtf8().constData());
    std::abort();
}

bool sameName(const QString& a, const QString& b)
{
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

// What Get must give back for a value that Set stored.
QString readBack(const QString& value)
{
    QString v = value.trimmed();
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    return v;
}

// Names worth asking for: whatever stands in brackets or before an "=" on any line, and the names
// the edits use. Bounded, so that a long input costs no more than a short one per name.
struct Names
{
    static constexpr int kMax = 24;
    QStringList sections, keys;

    void addSection(const QString& s)
    {
        if (sections.size() < kMax && !sections.contains(s)) sections << s;
    }
    void addKey(const QString& k)
    {
        if (keys.size() < kMax && !keys.contains(k)) keys << k;
    }
    void scan(const QByteArray& bytes)
    {
        QString text = QString::fromUtf8(bytes);
        text.replace(u'\r', u'\n');
        const QStringList lines = text.split(u'\n');
        for (const QString& line : lines) {
            const qsizetype open = line.indexOf(u'[');
            const qsizetype close = line.indexOf(u']', open + 1);
            if (open >= 0 && close > open) addSection(line.mid(open + 1, close - open - 1));
            const qsizetype eq = line.indexOf(u'=');
            if (eq > 0) addKey(line.left(eq));
        }
    }
};

using Snapshot = QList<QString>; // Get for every section x key, in Names order

Snapshot snapshot(const ProfileText& p, const Names& n)
{
    Snapshot s;
    s.reserve(n.sections.size() * n.keys.size());
    for (const QString& section : n.sections)
        for (const QString& key : n.keys)
            s << p.Get(section, key);
    return s;
}

bool sameValue(const QString& a, const QString& b)
{
    return a.isNull() == b.isNull() && a == b;
}

// Every value that could be read before and that keep(section, key) selects reads the same.
template <typename Keep>
void checkUnchanged(const ProfileText& p, const Names& n, const Snapshot& before, Keep keep, const char* what)
{
    qsizetype i = 0;
    for (const QString& section : n.sections)
        for (const QString& key : n.keys) {
            const QString& old = before[i++];
            if (old.isNull() || !keep(section, key)) continue;
            if (!sameValue(p.Get(section, key), old)) fail(what, section, key);
        }
}

void checkRoundTrip(const ProfileText& p, const Names& n)
{
    const ProfileText again(p.ToBytes());
    const Snapshot a = snapshot(p, n);
    const Snapshot b = snapshot(again, n);
    for (qsizetype i = 0; i < a.size(); ++i)
        if (!sameValue(a[i], b[i]))
            fail("a value reads differently after writing and reading back", n.sections[i / n.keys.size()],
                 n.keys[i % n.keys.size()]);
    for (const QString& section : n.sections) {
        if (p.HasSection(section) != again.HasSection(section))
            fail("a section is present in only one of text and its written form", section);
        if (p.Section(section) != again.Section(section))
            fail("a section's lines differ after writing and reading back", section);
    }
}

struct Edit
{
    char kind = 0;
    QStringList fields;
};

QList<Edit> parseEdits(const QByteArray& bytes)
{
    QList<Edit> edits;
    for (const QByteArray& one : bytes.split('\0')) {
        if (one.isEmpty() || edits.size() >= 16) continue;
        Edit e;
        e.kind = one[0];
        for (const QByteArray& f : one.mid(1).split('\x1f'))
            e.fields << QString::fromUtf8(f);
        edits << e;
    }
    return edits;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 64 * 1024) return -1;
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype split = input.indexOf(QByteArrayView("\0\0\0", 3));
    const QByteArray content = split < 0 ? input : input.left(split);
    const QList<Edit> edits = split < 0 ? QList<Edit>() : parseEdits(input.mid(split + 3));

    ProfileText p(content);
    Names names;
    names.scan(content);
    for (const Edit& e : edits) {
        if (!e.fields.isEmpty()) names.addSection(e.fields[0]);
        if (e.kind == 'S' && e.fields.size() >= 2) names.addKey(e.fields[1]);
        for (qsizetype i = 1; e.kind == 'T' && i < e.fields.size(); ++i) {
            const qsizetype eq = e.fields[i].indexOf(u'=');
            if (eq > 0) names.addKey(e.fields[i].left(eq));
        }
    }
    checkRoundTrip(p, names);

    for (const Edit& e : edits) {
        const Snapshot before = snapshot(p, names);
        const QByteArray bytesBefore = p.ToBytes();
        const QString section = e.fields.value(0);
        if (e.kind == 'S') {
            const QString key = e.fields.value(1);
            const QString value = e.fields.value(2);
            const bool valid = ProfileText::ValidSection(section) && ProfileText::ValidKey(key) &&
                               ProfileText::ValidValue(value);
            const bool set = p.Set(section, key, value);
            if (set != valid)
                fail(valid ? "a valid Set was refused" : "an invalid Set was taken", section, key);
            if (!set) {
                if (p.ToBytes() != bytesBefore) fail("a refused Set changed the text", section, key);
                continue;
            }
            const QString got = p.Get(section, key);
            if (got.isNull() || got != readBack(value))
                fail("Get does not give what Set stored", section, key);
            checkUnchanged(
                p, names, before,
                [&](const QString& s, const QString& k) {
                    return !(sameName(s, section) && sameName(k, key));
                },
                "Set changed another key");
        } else if (e.kind == 'T') {
            const QStringList lines = e.fields.mid(1);
            if (!p.SetSection(section, lines)) {
                if (p.ToBytes() != bytesBefore) fail("a refused SetSection changed the text", section);
                continue;
            }
            if (p.Section(section) != lines) fail("Section does not give what SetSection stored", section);
            checkUnchanged(
                p, names, before, [&](const QString& s, const QString&) { return !sameName(s, section); },
                "SetSection changed another section");
        } else {
            continue;
        }
        checkRoundTrip(p, names);
    }
    return 0;
}
