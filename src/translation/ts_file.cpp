#include "translation/ts_file.h"

#include <algorithm>
#include <cstdint>
#include <map>

namespace kalidor {
namespace {

// Just enough XML for what lupdate writes: elements, attributes, text, the five named entities,
// character references, comments, the declaration and the doctype.
struct Element {
    std::string name;
    std::map<std::string, std::string> attributes;
    std::string text;  // the text of this element and of its <byte/> children, in order
    std::vector<Element> children;
    int line = 1;
};

class Reader {
public:
    Reader(std::string_view xml, const std::string& fileName) : xml_(xml), file_(fileName) {}

    Element document() {
        skipProlog();
        Element root = element();
        skipMisc();
        if (pos_ != xml_.size()) fail("text after the root element");
        return root;
    }

private:
    [[noreturn]] void fail(const std::string& what) const {
        throw TsError(file_ + ":" + std::to_string(line()) + ": " + what);
    }
    int line() const { return 1 + static_cast<int>(std::count(xml_.begin(), xml_.begin() + pos_, '\n')); }
    bool at(std::string_view s) const { return xml_.substr(pos_, s.size()) == s; }
    void expect(std::string_view s) {
        if (!at(s)) fail("expected \"" + std::string(s) + "\"");
        pos_ += s.size();
    }
    void skipTo(std::string_view end) {
        const auto found = xml_.find(end, pos_);
        if (found == std::string_view::npos) fail("no \"" + std::string(end) + "\" before the end");
        pos_ = found + end.size();
    }
    void skipBlanks() {
        while (pos_ < xml_.size() && std::string_view(" \t\r\n").find(xml_[pos_]) != std::string_view::npos) ++pos_;
    }
    void skipMisc() {
        for (;;) {
            skipBlanks();
            if (at("<!--")) skipTo("-->");
            else if (at("<?")) skipTo("?>");
            else if (at("<!DOCTYPE")) skipTo(">");
            else return;
        }
    }
    void skipProlog() {
        if (at("\xEF\xBB\xBF")) pos_ += 3;
        skipMisc();
    }
    std::string name() {
        const std::size_t start = pos_;
        while (pos_ < xml_.size() && std::string_view(" \t\r\n/>=").find(xml_[pos_]) == std::string_view::npos) ++pos_;
        if (pos_ == start) fail("expected a name");
        return std::string(xml_.substr(start, pos_ - start));
    }
    static void appendUtf8(std::string& out, std::uint32_t c) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    // A number as a character reference or <byte value=""/> writes it: "x41", "#x41" or "65".
    std::uint32_t number(std::string_view digits) const {
        const bool hex = !digits.empty() && (digits[0] == 'x' || digits[0] == 'X');
        if (hex) digits.remove_prefix(1);
        if (digits.empty() || digits.size() > 8) fail("bad character number");
        std::uint32_t value = 0;
        for (char d : digits) {
            const int v = d >= '0' && d <= '9' ? d - '0'
                          : hex && d >= 'a' && d <= 'f' ? d - 'a' + 10
                          : hex && d >= 'A' && d <= 'F' ? d - 'A' + 10
                                                        : -1;
            if (v < 0) fail("bad character number");
            value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(v);
        }
        if (value > 0x10FFFF) fail("character number beyond Unicode");
        return value;
    }
    // Text up to the next '<' (or `end`), entities resolved.
    std::string text(char end = '<') {
        std::string out;
        while (pos_ < xml_.size() && xml_[pos_] != end) {
            if (xml_[pos_] != '&') {
                out += xml_[pos_++];
                continue;
            }
            const auto semicolon = xml_.find(';', pos_);
            if (semicolon == std::string_view::npos) fail("an entity without ';'");
            const std::string_view entity = xml_.substr(pos_ + 1, semicolon - pos_ - 1);
            static const std::map<std::string_view, char> named = {
                {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
            if (const auto it = named.find(entity); it != named.end()) out += it->second;
            else if (!entity.empty() && entity[0] == '#') appendUtf8(out, number(entity.substr(1)));
            else fail("unknown entity &" + std::string(entity) + ";");
            pos_ = semicolon + 1;
        }
        return out;
    }
    Element element() {
        Element e;
        e.line = line();
        expect("<");
        e.name = name();
        for (;;) {
            skipBlanks();
            if (at("/>")) {
                pos_ += 2;
                return e;
            }
            if (at(">")) {
                ++pos_;
                break;
            }
            const std::string key = name();
            skipBlanks();
            expect("=");
            skipBlanks();
            const char quote = pos_ < xml_.size() ? xml_[pos_] : '\0';
            if (quote != '"' && quote != '\'') fail("an attribute without quotes");
            ++pos_;
            e.attributes[key] = text(quote);
            expect(std::string_view(&quote, 1));
        }
        for (;;) {
            e.text += text();
            if (pos_ >= xml_.size()) fail("<" + e.name + "> is not closed");
            if (at("</")) {
                pos_ += 2;
                if (name() != e.name) fail("</" + e.name + "> expected");
                skipBlanks();
                expect(">");
                return e;
            }
            if (at("<!--")) {
                skipTo("-->");
                continue;
            }
            Element child = element();
            if (child.name == "byte") appendUtf8(e.text, number(child.attributes["value"]));
            else e.children.push_back(std::move(child));
        }
    }

    std::string_view xml_;
    std::string file_;
    std::size_t pos_ = 0;
};

const Element* child(const Element& e, std::string_view name) {
    for (const Element& c : e.children)
        if (c.name == name) return &c;
    return nullptr;
}

}  // namespace

TsFile ParseTsFile(std::string_view xml, const std::string& fileName) {
    const Element root = Reader(xml, fileName).document();
    if (root.name != "TS") throw TsError(fileName + ": the root element is <" + root.name + ">, not <TS>");
    TsFile file;
    const auto language = root.attributes.find("language");
    if (language != root.attributes.end()) file.language = language->second;
    for (const Element& context : root.children) {
        if (context.name != "context") continue;
        const Element* contextName = child(context, "name");
        for (const Element& message : context.children) {
            if (message.name != "message") continue;
            const auto where = fileName + ":" + std::to_string(message.line) + ": ";
            const Element* source = child(message, "source");
            const Element* translation = child(message, "translation");
            if (!source) throw TsError(where + "a message without <source>");
            const auto numerus = message.attributes.find("numerus");
            if ((numerus != message.attributes.end() && numerus->second == "yes") ||
                (translation && child(*translation, "numerusform")))
                throw TsError(where + "plural forms (numerus) are not supported: " + source->text);
            TsMessage m{contextName ? contextName->text : "", source->text, translation ? translation->text : "", ""};
            if (translation) {
                const auto type = translation->attributes.find("type");
                if (type != translation->attributes.end()) m.type = type->second;
            }
            file.messages.push_back(std::move(m));
        }
    }
    return file;
}

bool IsReleased(const TsMessage& message) {
    return !message.translation.empty() && message.type != "vanished" && message.type != "obsolete";
}

}  // namespace kalidor
