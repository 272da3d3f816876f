#include "translation/catalogue.h"
#include "translation/message.h"
#include "translation/ts_file.h"
#include "translation/ui_language.h"
#include "support/test_support.h"

#include <map>

#include <gtest/gtest.h>

namespace kalidor {
namespace {

TEST(InterfaceLanguage, ChosenFromTheEnvironmentAsQtReadsIt) {
    const std::vector<std::string> available = {"en", "pt_BR"};
    const struct {
        std::map<std::string, std::string> environment;
        std::string chosen;
    } cases[] = {
        {{}, "ja"},
        {{{"LANG", "C.UTF-8"}}, "ja"},
        {{{"LANG", "POSIX"}}, "ja"},
        {{{"LANG", "ja_JP.UTF-8"}}, "ja"},
        {{{"LANG", "en_US.UTF-8"}}, "en"},
        {{{"LANG", "fr_FR.UTF-8"}}, "en"},  // no catalogue of its own
        {{{"LANG", "pt_BR.UTF-8"}}, "pt_BR"},
        {{{"LANG", "pt_PT.UTF-8"}}, "en"},
        {{{"LANG", "en_US.UTF-8"}, {"LC_MESSAGES", "ja_JP.UTF-8"}}, "ja"},
        {{{"LC_ALL", "en_GB.UTF-8"}, {"LC_MESSAGES", "ja_JP.UTF-8"}}, "en"},
        {{{"LANG", "C.UTF-8"}, {"LANGUAGE", "fr:en"}}, "en"},  // Qt reads LANGUAGE under C too
        {{{"LANG", "en_US.UTF-8"}, {"LANGUAGE", "fr:ja"}}, "ja"},
        {{{"LANG", "de_DE.UTF-8"}, {"LANGUAGE", "pt-BR:en"}}, "pt_BR"},
        {{{"LANG", "sr_RS@latin"}}, "en"},
        {{{"LANG", "ja_JP.UTF-8"}, {"KALIDOR_LANGUAGE", "en"}}, "en"},
        {{{"LANG", "en_US.UTF-8"}, {"LANGUAGE", "en"}, {"KALIDOR_LANGUAGE", "ja"}}, "ja"},
    };
    for (const auto& c : cases) {
        const auto lookup = [&](const char* name) -> const char* {
            const auto found = c.environment.find(name);
            return found == c.environment.end() ? nullptr : found->second.c_str();
        };
        std::string shown;
        for (const auto& [name, value] : c.environment) shown += name + "=" + value + " ";
        EXPECT_EQ(ChooseLanguage(PreferredLanguages(lookup), available), c.chosen) << shown;
    }
}

TEST(Message, ArgumentsAndDetailInPlace) {
    const struct {
        const char* text;
        std::vector<std::string> arguments;
        std::string detail;
        std::string shown;
    } cases[] = {
        {"「%1」の表示時間（%2秒）", {"a.jpg", "0"}, "", "「a.jpg」の表示時間（0秒）"},
        {"%2 before %1", {"a", "b"}, "", "b before a"},
        {"%1", {"50%2 done"}, "", "50%2 done"},  // an argument is not read again
        {"100% of %3", {"a"}, "", "100% of %3"},
        {"failed", {}, "cannot open /p/b.jpg", "failed\ncannot open /p/b.jpg"},
    };
    for (const auto& c : cases) {
        Message message(c.text, c.arguments);
        message.WithDetail(c.detail);
        EXPECT_EQ(message.Japanese(), c.shown) << c.text;
    }
    EXPECT_EQ(Message::Verbatim("cannot open %1").Japanese(), "cannot open %1");
}

// Every finished translation of the shipped catalogues is what the command line finds: the
// compiled tables hold the .ts files whole and are searched right.
TEST(Catalogue, CompiledFromTheShippedFiles) {
    ASSERT_FALSE(Catalogue::Languages().empty());
    for (const std::string& language : Catalogue::Languages()) {
        const std::string path = std::string(KALIDOR_SOURCE_ROOT) + "/translations/kalidor_" + language + ".ts";
        const TsFile file = ParseTsFile(test::readText(path), path);
        const Catalogue& catalogue = Catalogue::For(language);
        int released = 0;
        for (const TsMessage& m : file.messages) {
            if (!IsReleased(m)) continue;
            ++released;
            EXPECT_STREQ(catalogue.Translate(m.context.c_str(), m.source.c_str()), m.translation.c_str()) << m.source;
        }
        EXPECT_GT(released, 100) << language;
    }
    const Message saved(QT_TRANSLATE_NOOP("Messages", "「%1」をプロジェクトにコピーできませんでした"), {"a.jpg"});
    EXPECT_EQ(Catalogue::For("en")(saved), "Could not copy “a.jpg” into the project");
    EXPECT_EQ(Catalogue::For("xx")(saved), saved.Japanese());
    EXPECT_STREQ(Catalogue::For("en")("no such text"), "no such text");
}

TEST(TsFile, ReadsWhatLupdateWritesAndRefusesTheRest) {
    const std::string xml = R"(<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>Messages</name>
    <message>
        <source>%1は既に存在します。<byte value="xd"/>
上書き &quot;&amp;&lt;&gt;&apos;&#x41;</source>
        <translation>%1 exists.<byte value="xd"/>
Replace it?</translation>
    </message>
    <message>
        <source>未訳</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>古い</source>
        <translation type="vanished">Old</translation>
    </message>
</context>
</TS>
)";
    const TsFile file = ParseTsFile(xml, "t.ts");
    EXPECT_EQ(file.language, "en");
    ASSERT_EQ(file.messages.size(), 3u);
    EXPECT_EQ(file.messages[0].context, "Messages");
    EXPECT_EQ(file.messages[0].source, "%1は既に存在します。\r\n上書き \"&<>'A");
    EXPECT_EQ(file.messages[0].translation, "%1 exists.\r\nReplace it?");
    EXPECT_TRUE(IsReleased(file.messages[0]));
    EXPECT_FALSE(IsReleased(file.messages[1]));
    EXPECT_FALSE(IsReleased(file.messages[2]));

    const std::pair<std::string, std::string> broken[] = {
        {"<TS><context><message><source>a</source>", "t.ts:1: <message> is not closed"},
        {"<TS>\n<context><message><translation>b</translation></message></context></TS>",
         "t.ts:2: a message without <source>"},
        {"<TS><b>&nope;</b></TS>", "t.ts:1: unknown entity &nope;"},
        {"<html></html>", "t.ts: the root element is <html>, not <TS>"},
        {"<TS><context><message numerus=\"yes\"><source>n</source></message></context></TS>",
         "t.ts:1: plural forms (numerus) are not supported: n"},
    };
    for (const auto& [text, error] : broken) {
        try {
            ParseTsFile(text, "t.ts");
            ADD_FAILURE() << text;
        } catch (const TsError& e) {
            EXPECT_EQ(e.what(), error);
        }
    }
}

}  // namespace
}  // namespace kalidor
