// Connection strings: the scheme picks the backend.
#include "db/target.h"

#ifndef KELTRANE_NO_LIBPQ
#include <libpq-fe.h>
#endif

#include <algorithm>
#include <vector>

#include "base/vbtext.h"

namespace kt::suite {
namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && base::EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// %XX sequences decoded; a malformed one is kept as written.
std::string PercentDecoded(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
      out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// Every byte but the URI's unreserved characters as %XX.
std::string PercentEncoded(std::string_view text, const char* digits) {
  std::string out;
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
        c == '_' || c == '~') {
      out += c;
    } else {
      out += {'%', digits[b >> 4], digits[b & 15]};
    }
  }
  return out;
}

struct Span {
  size_t begin, end;
};

// Where a PostgreSQL URI holds a password: after the user name up to the
// '@' (the last one before the query, so that an unescaped '@' or '/' in
// the password is still covered), the values of the query parameters whose
// percent-decoded name is "password", and any other parameter whose value
// repeats it (`options` with a backslash before each blank, say).
std::vector<Span> PasswordSpans(std::string_view uri) {
  std::vector<Span> spans;
  const size_t scheme = uri.find("://");
  if (scheme == std::string_view::npos) return spans;
  const size_t authority = scheme + 3;
  const size_t query = std::min(uri.find('?', authority), uri.size());
  const size_t at = uri.rfind('@', query - 1);
  const size_t colon = uri.find(':', authority);
  if (at != std::string_view::npos && at >= authority && colon < at) {
    spans.push_back({colon + 1, at});
    // libpq itself ends the user part at the first '@'.
    const size_t first_at = uri.find('@', colon);
    if (first_at < at) spans.push_back({colon + 1, first_at});
  }
  std::vector<Span> values;
  for (size_t p = query; p < uri.size();) {
    const size_t next = std::min(uri.find('&', p + 1), uri.size());
    const size_t equals = uri.find('=', p + 1);
    if (equals < next) {
      const Span value{equals + 1, next};
      if (PercentDecoded(uri.substr(p + 1, equals - p - 1)) == "password") {
        spans.push_back(value);
      } else {
        values.push_back(value);
      }
    }
    p = next;
  }
  std::vector<std::string> passwords;
  for (const Span& s : spans) {
    if (s.end > s.begin) passwords.push_back(PercentDecoded(uri.substr(s.begin, s.end - s.begin)));
  }
  for (const Span& v : values) {
    std::string value = PercentDecoded(uri.substr(v.begin, v.end - v.begin));
    std::erase(value, '\\');
    for (const std::string& password : passwords) {
      if (value.find(password) != std::string::npos) {
        spans.push_back(v);
        break;
      }
    }
  }
  return spans;
}

// The URI with its password spans replaced by "***".
std::string Masked(std::string_view uri) {
  std::vector<Span> spans = PasswordSpans(uri);
  std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) {
    return a.begin != b.begin ? a.begin < b.begin : a.end > b.end;
  });
  std::string out;
  size_t copied = 0;
  for (const Span& s : spans) {
    if (s.begin < copied) continue;  // within one masked already
    out.append(uri.substr(copied, s.begin - copied));
    out += "***";
    copied = s.end;
  }
  out.append(uri.substr(copied));
  return out;
}

void ReplaceAll(std::string& text, std::string_view what, std::string_view with) {
  if (what.empty()) return;
  for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + with.size())) {
    text.replace(p, what.size(), with);
  }
}

// The password in every spelling a message could repeat, longest first.
std::vector<std::string> Secrets(std::string_view uri) {
  std::vector<std::string> raw;
  for (const Span& s : PasswordSpans(uri)) raw.emplace_back(uri.substr(s.begin, s.end - s.begin));
#ifndef KELTRANE_NO_LIBPQ
  // libpq's own reading of the URI, when it has one.
  if (PQconninfoOption* options = PQconninfoParse(std::string(uri).c_str(), nullptr)) {
    for (const PQconninfoOption* o = options; o->keyword != nullptr; ++o) {
      if (std::string_view(o->keyword) == "password" && o->val != nullptr) raw.emplace_back(o->val);
    }
    PQconninfoFree(options);
  }
#endif
  std::vector<std::string> secrets;
  for (const std::string& r : raw) {
    const std::string decoded = PercentDecoded(r);
    for (std::string form : {r, decoded, PercentEncoded(decoded, "0123456789ABCDEF"),
                             PercentEncoded(decoded, "0123456789abcdef")}) {
      if (!form.empty()) secrets.push_back(std::move(form));
    }
  }
  std::sort(secrets.begin(), secrets.end(), [](const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() > b.size() : a < b;
  });
  secrets.erase(std::unique(secrets.begin(), secrets.end()), secrets.end());
  return secrets;
}

}  // namespace

Target ParseTarget(std::string_view text) {
  if (StartsWithNoCase(text, "postgresql://") || StartsWithNoCase(text, "postgres://")) {
    return {Target::Kind::kPostgres, std::string(text)};
  }
  if (StartsWithNoCase(text, "sqlite:")) text.remove_prefix(7);
  return {Target::Kind::kSqlite, std::string(text)};
}

std::string DisplayName(const Target& target) {
  return Scrubbed(target.location, target);
}

std::string Scrubbed(std::string_view message, const Target& target) {
  std::string text(message);
  if (target.kind != Target::Kind::kPostgres) return text;
  const std::vector<std::string> secrets = Secrets(target.location);
  if (secrets.empty()) return text;
  ReplaceAll(text, target.location, Masked(target.location));
  for (const std::string& secret : secrets) ReplaceAll(text, secret, "***");
  return text;
}

}  // namespace kt::suite
