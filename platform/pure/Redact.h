// Keeps credentials out of the log and the crash report: the logger and the crash report pass every text
// through here, and whoever shows a URL elsewhere does too.
#pragma once

#include <string>
#include <string_view>

namespace velmora::platform {

// The text with the user information ("user:password@" after "scheme://") of every URL in it replaced by
// "***@". An authority ends at the first "/", "\", "?" or "#", and its user information at its last "@".
// When that authority is no host with an optional numeric port (a password holding a "/" ends it early),
// the user information runs to the last "@" before any "?" or "#". Text without "://" comes back unchanged.
// In doubt more is hidden, never less.
std::wstring RedactUrlCredentials(std::wstring_view text);

// Whether some URL in the text carries a password: user information (as RedactUrlCredentials finds it) that
// holds a ":". A user name alone is no password.
bool HoldsUrlPassword(std::wstring_view text);

// The URL without its user information (and without the "@" that ends it): "ftp://u:p@host/a" gives
// "ftp://host/a". Only the first "://" counts. Text without user information comes back unchanged.
std::wstring WithoutUrlCredentials(std::wstring_view url);

} // namespace velmora::platform
