#include "learn/page_scan.h"

#include <algorithm>
#include <cctype>

namespace quennit::learn {

namespace {

constexpr std::size_t npos = std::string_view::npos;

bool IsVoid(std::string_view name) {
    static constexpr std::string_view kVoid[] = {"area",  "base",   "br",    "col",  "embed",
                                                 "hr",    "img",    "input", "link", "meta",
                                                 "param", "source", "track", "wbr"};
    return std::find(std::begin(kVoid), std::end(kVoid), name) != std::end(kVoid);
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

char LowerChar(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

std::string LowerText(std::string_view s) {
    std::string out;
    for (const char c : s) {
        out += LowerChar(c);
    }
    return out;
}

// A class or id without its running numbers, which differ from entry to entry.
std::string WithoutDigits(std::string_view s) {
    std::string out;
    for (const char c : s) {
        if (std::isdigit(static_cast<unsigned char>(c)) == 0) {
            out += c;
        }
    }
    return out;
}

struct Parsed {
    Tag tag;
    std::string cls;
    std::string id;
};

// The tag at page[at] == '<'; false when it is no tag (text such as "a < b").
bool ParseTag(std::string_view page, std::size_t at, Parsed& out) {
    std::size_t p = at + 1;
    Tag& tag = out.tag;
    tag.begin = at;
    if (p < page.size() && page[p] == '/') {
        tag.closing = true;
        ++p;
    }
    const std::size_t nameBegin = p;
    while (p < page.size() && std::isalnum(static_cast<unsigned char>(page[p])) != 0) {
        ++p;
    }
    if (p == nameBegin) {
        return false;
    }
    tag.name = LowerText(page.substr(nameBegin, p - nameBegin));
    while (p < page.size() && page[p] != '>') {
        if (IsSpace(page[p]) || page[p] == '/') {
            ++p;
            continue;
        }
        const std::size_t attrBegin = p;
        while (p < page.size() && !IsSpace(page[p]) && page[p] != '=' && page[p] != '>') {
            ++p;
        }
        const std::string attr = LowerText(page.substr(attrBegin, p - attrBegin));
        while (p < page.size() && IsSpace(page[p])) {
            ++p;
        }
        if (p >= page.size() || page[p] != '=') {
            continue;
        }
        ++p;
        while (p < page.size() && IsSpace(page[p])) {
            ++p;
        }
        std::size_t valueBegin = p;
        std::size_t valueEnd;
        if (p < page.size() && (page[p] == '"' || page[p] == '\'')) {
            valueBegin = p + 1;
            valueEnd = page.find(page[p], valueBegin);
            if (valueEnd == npos) {
                return false;
            }
            p = valueEnd + 1;
        } else {
            while (p < page.size() && !IsSpace(page[p]) && page[p] != '>') {
                ++p;
            }
            valueEnd = p;
        }
        const std::string_view value = page.substr(valueBegin, valueEnd - valueBegin);
        if (attr == "href" && !tag.hasHref) {
            tag.hasHref = true;
            tag.hrefBegin = valueBegin;
            tag.hrefEnd = valueEnd;
        } else if (attr == "class") {
            out.cls = WithoutDigits(value);
        } else if (attr == "id") {
            out.id = WithoutDigits(value);
        } else if (attr == "rel") {
            tag.rel = LowerText(value);
        }
    }
    if (p >= page.size()) {
        return false;
    }
    tag.end = p + 1;
    return true;
}

// Where raw text (a script's or a style's) ends: at its closing tag.
std::size_t RawTextEnd(std::string_view page, std::size_t from, std::string_view name) {
    const std::string close = "</" + std::string(name);
    for (std::size_t p = page.find("</", from); p != npos; p = page.find("</", p + 2)) {
        if (LowerText(page.substr(p, close.size())) == close) {
            return p;
        }
    }
    return page.size();
}

// Elements whose end tag HTML lets a page leave out: a new one closes the
// open one of its kind up to its list (so that every entry of an old-style
// list has the same path).
void CloseImplied(std::string_view name, std::vector<std::string>& names,
                  std::vector<std::string>& stack) {
    struct Rule {
        std::string_view name;
        std::string_view closes;     // names, space-separated with blanks around
        std::string_view container;  // where to stop looking
    };
    static constexpr Rule kRules[] = {
        {"li", " li ", " ul ol "},           {"dt", " dt dd ", " dl "},
        {"dd", " dt dd ", " dl "},           {"tr", " tr td th ", " table tbody thead tfoot "},
        {"td", " td th ", " tr table "},     {"th", " td th ", " tr table "},
        {"p", " p ", " div li dd td body "},
    };
    for (const Rule& rule : kRules) {
        if (rule.name != name) {
            continue;
        }
        for (std::size_t i = names.size(); i-- > 0;) {
            const std::string word = " " + names[i] + " ";
            if (rule.container.find(word) != npos) {
                return;
            }
            if (rule.closes.find(word) != npos) {
                names.resize(i);
                stack.resize(i);
                return;
            }
        }
    }
}

}  // namespace

ScannedPage ScanPage(std::string_view page) {
    ScannedPage out;
    std::vector<std::string> stack;  // open elements as name.class#id
    std::vector<std::string> names;
    std::vector<std::size_t> openAnchors;  // into out.anchors, awaiting "</a>"
    std::size_t p = 0;
    while ((p = page.find('<', p)) != npos) {
        if (page.compare(p, 4, "<!--") == 0) {
            const std::size_t end = page.find("-->", p + 4);
            Tag comment;
            comment.begin = p;
            p = end == npos ? page.size() : end + 3;
            comment.end = p;
            comment.name = "!--";  // a marker as good as a tag
            out.tags.push_back(std::move(comment));
            continue;
        }
        Parsed parsed;
        if (!ParseTag(page, p, parsed)) {
            ++p;
            continue;
        }
        Tag& tag = parsed.tag;
        p = tag.end;
        if (tag.closing) {
            const auto open = std::find(names.rbegin(), names.rend(), tag.name);
            if (open != names.rend()) {
                const auto keep = static_cast<std::size_t>(names.rend() - open) - 1;
                names.resize(keep);
                stack.resize(keep);
            }
            if (tag.name == "a" && !openAnchors.empty()) {
                Anchor& anchor = out.anchors[openAnchors.back()];
                anchor.closeBegin = tag.begin;
                anchor.closeEnd = tag.end;
                openAnchors.clear();
            }
        } else {
            if (tag.name == "a") {
                openAnchors.clear();  // an unclosed link ends where the next begins
                if (tag.hasHref) {
                    Anchor anchor;
                    anchor.open = tag;
                    for (const std::string& s : stack) {
                        anchor.path += s + "/";
                    }
                    anchor.path += "a." + parsed.cls;
                    openAnchors.push_back(out.anchors.size());
                    out.anchors.push_back(std::move(anchor));
                }
            } else if (!IsVoid(tag.name) && page[tag.end - 2] != '/') {
                CloseImplied(tag.name, names, stack);
                names.push_back(tag.name);
                stack.push_back(tag.name + "." + parsed.cls + "#" + parsed.id);
            }
            if (tag.name == "script" || tag.name == "style") {
                p = RawTextEnd(page, p, tag.name);
            }
        }
        out.tags.push_back(std::move(tag));
    }
    // A link never closed is no entry's title.
    std::erase_if(out.anchors, [](const Anchor& a) { return a.closeEnd == 0; });
    return out;
}

}  // namespace quennit::learn
