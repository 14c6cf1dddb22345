// Paths and names as the remote side and the wire need them. Remote paths keep the agent's
// separators: "\\" for Windows-type agents (OS type non-zero), "/" otherwise.
#pragma once

#include "zrfilemgr_global.h"

#include <QString>

namespace zrpath {

// Longest argument text (UTF-8 bytes) the file manager hands over: the wire formats file requests
// into 1024 bytes, and a reply naming the path must still fit the console's receive buffer.
constexpr int kMaxWireBytes = 1000;

ZRFILEMGRU_EXPORT QChar Separator(int osType);
// Separators rewritten to the agent's, repeated ones collapsed, no trailing separator except at
// the root ("/", "\\") or right after a drive ("C:\\").
ZRFILEMGRU_EXPORT QString Normalize(const QString& path, int osType);
ZRFILEMGRU_EXPORT bool IsRoot(const QString& path, int osType);
// The directory (normalised) joined with a name that is left exactly as it is.
ZRFILEMGRU_EXPORT QString Join(const QString& dir, const QString& name, int osType);
// The parent of a normalised path; the root's parent is the root. A drive's parent is the root.
ZRFILEMGRU_EXPORT QString Parent(const QString& path, int osType);
// One spelling per remote file, for "is this the same file" questions: normalised, and in one
// letter case on Windows-type agents.
ZRFILEMGRU_EXPORT QString Canonical(const QString& path, int osType);
// One spelling per local file.
ZRFILEMGRU_EXPORT QString CanonicalLocal(const QString& path);
// The name after the last "\\" or "/"; empty when there is no separator.
ZRFILEMGRU_EXPORT QString NameOf(const QString& path);
// The folder a transfer event refreshes: up to the last "\\" (else "/"), keeping a drive's or the
// root's separator; empty when the path has none.
ZRFILEMGRU_EXPORT QString FolderOf(const QString& path);

// A name the operator may give: none of \ / : * ? " < > | and no control character.
ZRFILEMGRU_EXPORT bool ValidName(const QString& name);
// A name an agent sent that may become a row: not empty, ".", ".."; no separator, double quote or
// control character.
ZRFILEMGRU_EXPORT bool AcceptableAgentName(const QString& name);
// Whether the text can travel inside a quoted field, and whether it fits the wire.
ZRFILEMGRU_EXPORT bool HasQuote(const QString& text);
ZRFILEMGRU_EXPORT bool FitsWire(const QString& argument);
ZRFILEMGRU_EXPORT QString Quoted(const QString& text);

// The Size column: kilobytes rounded to the nearest, at least 1 ("4882813 KB" for 5,000,000,000).
ZRFILEMGRU_EXPORT QString SizeText(quint64 bytes);
// Whether names compare without letter case on this agent type.
inline bool CaseInsensitive(int osType)
{
    return osType != 0;
}

} // namespace zrpath
