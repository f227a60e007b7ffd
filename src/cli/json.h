#pragma once
// A small JSON value for z7ctl's --json output.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace z7::cli {

// Text for z7ctl's plain (not JSON) output: control characters (C0, DEL, C1) in names and
// texts become visible escapes ("\n", "\x1b", "\u0085"), so that a stored name can neither
// drive the terminal nor split a line of a listing. Everything else is kept as it is.
std::string TextSafe(std::string_view utf8);

class Json {
public:
    using Array = std::vector<Json>;
    // Keys keep insertion order, as the contract's examples show them.
    using Object = std::vector<std::pair<std::string, Json>>;

    Json() : v_(nullptr) {}
    Json(std::nullptr_t) : v_(nullptr) {}
    Json(bool b) : v_(b) {}
    Json(int v) : v_(static_cast<int64_t>(v)) {}
    Json(long v) : v_(static_cast<int64_t>(v)) {}
    Json(long long v) : v_(static_cast<int64_t>(v)) {}
    Json(unsigned v) : v_(static_cast<int64_t>(v)) {}
    Json(unsigned long v) : v_(static_cast<int64_t>(v)) {}
    Json(unsigned long long v) : v_(static_cast<int64_t>(v)) {}
    Json(double v) : v_(v) {}
    Json(const char* s) : v_(std::string(s)) {}
    Json(std::string s) : v_(std::move(s)) {}
    Json(Array a) : v_(std::move(a)) {}
    Json(Object o) : v_(std::move(o)) {}

    static Json array() { return Json(Array{}); }
    static Json object() { return Json(Object{}); }
    // Appends to an array or adds a key to an object.
    Json& push(Json v);
    Json& set(std::string key, Json v);

    // Compact, UTF-8, with control characters and quotes escaped.
    std::string dump() const;

private:
    void DumpTo(std::string& out) const;
    std::variant<std::nullptr_t, bool, int64_t, double, std::string, Array, Object> v_;
};

}  // namespace z7::cli
