#pragma once
// The root timeline's variables: what FlashVars and SetVariable give and
// GetVariable reads back. Names are compared without regard to case, as the
// movie's scripts of these versions compare them.
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tvmplayer {

class Variables {
public:
    void Set(const std::string& name, const std::string& value);
    std::optional<std::string> Get(const std::string& name) const;
    void Clear() { values_.clear(); }

    // "a=1&b=two%20words": each pair URL-decoded ('+' is a space) and set.
    void SetFromQuery(std::string_view query);

private:
    struct Caseless {
        bool operator()(const std::string& a, const std::string& b) const;
    };
    std::map<std::string, std::string, Caseless> values_;
};

std::string UrlDecode(std::string_view text);
// Every byte but letters and digits as %XX, as escape() writes it.
std::string UrlEscape(std::string_view text);
// The decoded name and value pairs of a query, in their order.
std::vector<std::pair<std::string, std::string>> ParseQuery(std::string_view query);

}
