// Checks of what an operator typed as a host name, an IPv4 address or an IPv4 subnet. Each answers
// null when the text is acceptable, else a constant English message saying what is wrong; nothing
// is converted or returned besides. Texts are counted: a length of 0 means up to the terminating
// null, and no check ever looks past the counted characters.
#pragma once

#include "zrlib_global.h"

// Address families.
enum : int { ZR_AF_UNSPEC = 0, ZR_AF_INET = 2, ZR_AF_INET6 = 23 };

// Letters, digits, "-", "_" and "." over the first count characters; the first must be a letter.
// Characters at or above 128 pass as part of a name but never as its first letter.
ZRLIBU_EXPORT const char16_t* tryname(const char16_t* text, int count);
// A dotted-decimal IPv4 address.
ZRLIBU_EXPORT const char16_t* tryaddr(const char16_t* text, int length, int family);
// An address, "/" and a prefix length or a dotted mask; the address may have no bits outside it.
ZRLIBU_EXPORT const char16_t* trysubnet(const char16_t* text, int length, int family);
