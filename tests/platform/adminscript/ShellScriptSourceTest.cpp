#include "platform/adminscript/ShellScriptSource.hpp"

#include <gtest/gtest.h>

namespace zephrane::adminscript {
namespace {

using namespace std::string_literals;

TEST(ShellScriptSourceTest, UndoesTheFourEscapes) {
    struct Case {
        const char* edge;
        std::string source;
        std::string script;
    };
    const Case cases[] = {
        {"plain", R"(do shell script "ls -l /" with administrator privileges)", "ls -l /"},
        {"empty script", R"(do shell script "" with administrator privileges)", ""},
        {"backslash", R"(do shell script "a\\b" with administrator privileges)", R"(a\b)"},
        {"quote", R"(do shell script "say \"hi\"" with administrator privileges)", R"(say "hi")"},
        {"carriage return and line feed", R"(do shell script "a\r\nb" with administrator privileges)", "a\r\nb"},
        {"escaped backslash before n stays a backslash", R"(do shell script "\\n" with administrator privileges)",
         R"(\n)"},
        {"single quotes and tabs pass as they are", "do shell script \"'x'\t$y\" with administrator privileges",
         "'x'\t$y"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        EXPECT_EQ(shellScriptFromSource(c.source), c.script);
    }
}

TEST(ShellScriptSourceTest, RefusesAnyOtherSource) {
    struct Case {
        const char* edge;
        std::string source;
    };
    const Case cases[] = {
        {"empty", ""},
        {"prefix and suffix sharing one quote", R"(do shell script " with administrator privileges)"},
        {"no privileges", R"(do shell script "ls")"},
        {"text after the form", R"(do shell script "ls" with administrator privileges and more)"},
        {"text before the form", R"( do shell script "ls" with administrator privileges)"},
        {"other casing", R"(Do Shell Script "ls" with administrator privileges)"},
        {"unknown escape", R"(do shell script "a\tb" with administrator privileges)"},
        {"backslash escaping the closing quote", R"(do shell script "a\" with administrator privileges)"},
        {"unescaped quote ends the string early",
         R"(do shell script "a" & "b" with administrator privileges)"},
        {"NUL cannot travel as an argument", "do shell script \"a\0b\" with administrator privileges"s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        EXPECT_EQ(shellScriptFromSource(c.source), std::nullopt);
    }
}

}  // namespace
}  // namespace zephrane::adminscript
