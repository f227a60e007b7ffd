#include "cli/json.h"

#include <cstdio>

namespace z7::cli {

std::string TextSafe(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        char buf[8];
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        } else if (c == 0xC2 && i + 1 < utf8.size() &&
                   static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(utf8[i + 1]) <= 0x9F) {
            // U+0080..U+009F: terminals take some of them (CSI, OSC) as escape sequences.
            std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned char>(utf8[++i]));
            out += buf;
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

Json& Json::push(Json v) {
    std::get<Array>(v_).push_back(std::move(v));
    return *this;
}

Json& Json::set(std::string key, Json v) {
    auto& o = std::get<Object>(v_);
    for (auto& [k, existing] : o)
        if (k == key) {
            existing = std::move(v);
            return *this;
        }
    o.emplace_back(std::move(key), std::move(v));
    return *this;
}

namespace {
void Escape(std::string& out, const std::string& s) {
    out.push_back('"');
    for (unsigned char c : s) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out.push_back(static_cast<char>(c));
                }
        }
    }
    out.push_back('"');
}
}  // namespace

void Json::DumpTo(std::string& out) const {
    if (std::holds_alternative<std::nullptr_t>(v_)) {
        out += "null";
    } else if (auto b = std::get_if<bool>(&v_)) {
        out += *b ? "true" : "false";
    } else if (auto i = std::get_if<int64_t>(&v_)) {
        out += std::to_string(*i);
    } else if (auto d = std::get_if<double>(&v_)) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.17g", *d);
        out += buf;
    } else if (auto s = std::get_if<std::string>(&v_)) {
        Escape(out, *s);
    } else if (auto a = std::get_if<Array>(&v_)) {
        out.push_back('[');
        for (size_t k = 0; k < a->size(); ++k) {
            if (k) out.push_back(',');
            (*a)[k].DumpTo(out);
        }
        out.push_back(']');
    } else {
        const auto& o = std::get<Object>(v_);
        out.push_back('{');
        for (size_t k = 0; k < o.size(); ++k) {
            if (k) out.push_back(',');
            Escape(out, o[k].first);
            out.push_back(':');
            o[k].second.DumpTo(out);
        }
        out.push_back('}');
    }
}

std::string Json::dump() const {
    std::string out;
    DumpTo(out);
    return out;
}

}  // namespace z7::cli
