#include <gtest/gtest.h>

#include "platform/codesign/CodeSigning.hpp"
#include "shared/HelperConstants.hpp"

namespace zephrane::codesign {
namespace {

using Clause = Requirement::Clause;
using Kind = Clause::Kind;

const Clause kAnchor{Kind::anchorAppleGeneric, ""};
Clause identifier(std::string value) { return {Kind::identifier, std::move(value)}; }
Clause team(std::string value) { return {Kind::leafOrganisationalUnit, std::move(value)}; }

TEST(Requirement, ParsesTheTextsBothProgramsDemand) {
    EXPECT_EQ(Requirement::parse(HelperConstants::clientRequirement()).clauses(),
              (std::vector{kAnchor, identifier("com.zephrane.app"), team("ZPHRN4B7Q2")}));
    const Requirement daemon = Requirement::parse(HelperConstants::daemonRequirement());
    EXPECT_EQ(daemon.clauses(), (std::vector{kAnchor, identifier("com.zephrane.Fanwarden"), team("ZPHRN4B7Q2")}));
    EXPECT_EQ(daemon.text(), HelperConstants::daemonRequirement());
}

struct ParseCase {
    const char* edge;
    const char* text;
    std::vector<Clause> clauses;
};

TEST(Requirement, ParsesTheSubsetWeUse) {
    const ParseCase cases[] = {
        {"single clause", "anchor apple generic", {kAnchor}},
        {"bare identifier", "identifier com.zephrane.app", {identifier("com.zephrane.app")}},
        {"bare word with dash and underscore", "identifier a-b_c.9", {identifier("a-b_c.9")}},
        {"escaped quote and backslash", R"(identifier "a\"b\\c")", {identifier(R"(a"b\c)")}},
        {"quoted text keeps spaces and keywords", R"(identifier "x and y")", {identifier("x and y")}},
        {"no spaces around brackets", R"(certificate leaf[subject.OU]="T")", {team("T")}},
        {"spaces inside brackets", "certificate  leaf [ subject.OU ] =\tT", {team("T")}},
        {"newlines and tabs between clauses",
         "\n anchor\tapple generic\r\n and identifier \"x\" ",
         {kAnchor, identifier("x")}},
        {"repeated clause", "identifier a and identifier b", {identifier("a"), identifier("b")}},
    };
    for (const auto& c : cases) EXPECT_EQ(Requirement::parse(c.text).clauses(), c.clauses) << c.edge;
}

TEST(Requirement, RefusesWhatItDoesNotUnderstand) {
    const struct {
        const char* edge;
        const char* text;
        const char* reason;
    } cases[] = {
        {"empty", "", "offset 0: empty requirement"},
        {"only spaces", "  \t", "offset 3: empty requirement"},
        {"dangling and", "anchor apple generic and", "offset 24: dangling \"and\""},
        {"leading and", "and identifier x", "offset 0: \"and\" without a clause before it"},
        {"or", "identifier a or identifier b", "offset 13: \"or\" is not supported"},
        {"not", "not identifier a", "offset 0: \"not\" is not supported"},
        {"negation sign", "! identifier a", "offset 0: unexpected character '!'"},
        {"parentheses", "(identifier a)", "offset 0: unexpected character '('"},
        {"double ampersand", "identifier a && identifier b", "offset 13: unexpected character '&'"},
        {"control character", "identifier a\x01", "offset 12: unexpected character 0x01"},
        {"unknown clause", "entitlement x", "offset 0: unknown clause \"entitlement\""},
        {"abbreviated anchor", "anchor apple", "offset 12: expected \"generic\""},
        {"anchor of another kind", "anchor trusted", "offset 7: expected \"apple\""},
        {"identifier without value", "identifier", "offset 10: expected the identifier"},
        {"identifier named and", "identifier and", "offset 11: expected the identifier"},
        {"empty quoted identifier", "identifier \"\"", "offset 11: empty identifier"},
        {"unterminated quote", "identifier \"com.zephrane", "offset 11: unterminated quoted text"},
        {"backslash at the end", "identifier \"abc\\", "offset 11: unterminated quoted text"},
        {"escaped closing quote", "identifier \"abc\\\"", "offset 11: unterminated quoted text"},
        {"other certificate field", "certificate leaf[subject.CN] = \"T\"", "offset 17: expected \"subject.OU\""},
        {"other certificate", "certificate root[subject.OU] = \"T\"", "offset 12: expected \"leaf\""},
        {"missing equals", "certificate leaf[subject.OU] \"T\"", "offset 29: expected '='"},
        {"missing closing bracket", "certificate leaf[subject.OU = \"T\"", "offset 28: expected ']'"},
        {"two clauses without and", "identifier a identifier b", "offset 13: expected \"and\" or the end"},
        {"quoted keyword", "\"anchor\" apple generic", "offset 0: expected a clause"},
    };
    for (const auto& c : cases) {
        try {
            Requirement::parse(c.text);
            ADD_FAILURE() << c.edge << ": parsed";
        } catch (const RequirementError& error) {
            EXPECT_EQ(error.what(), "cannot parse requirement at " + std::string(c.reason)) << c.edge;
        }
    }
}

CodeInfo genuineApp() {
    LoadedCode loaded;
    loaded.files = {{"/opt/zephrane/app", 0, 0755, true}, {"/usr/lib/x86_64-linux-gnu/libc.so.6", 0, 0755, true}};
    return {"/opt/zephrane/app", 0, 0755, Identity{"com.zephrane.app", "ZPHRN4B7Q2"}, loaded, std::nullopt};
}

LoadedFile library(const char* path, uid_t owner, mode_t mode, bool current = true) {
    return {path, owner, mode, current};
}

TEST(Requirement, ChecksEveryClauseAndNamesTheFirstThatFails) {
    const Requirement requirement = Requirement::parse(HelperConstants::clientRequirement());
    const auto with = [](auto change) {
        CodeInfo code = genuineApp();
        change(code);
        return code;
    };
    const struct {
        const char* edge;
        CodeInfo code;
        std::optional<std::string> failure;
    } cases[] = {
        {"genuine", genuineApp(), std::nullopt},
        {"read-only for everyone", with([](CodeInfo& c) { c.mode = 0555; }), std::nullopt},
        {"setuid bits do not matter", with([](CodeInfo& c) { c.mode = 04755; }), std::nullopt},
        {"owned by another user", with([](CodeInfo& c) { c.owner = 1000; }),
         "anchor apple generic: the executable is owned by uid 1000, not uid 0"},
        {"group-writable", with([](CodeInfo& c) { c.mode = 0775; }),
         "anchor apple generic: the executable is writable by others than its owner (mode 0775)"},
        {"world-writable", with([](CodeInfo& c) { c.mode = 0757; }),
         "anchor apple generic: the executable is writable by others than its owner (mode 0757)"},
        {"another identifier", with([](CodeInfo& c) { c.identity->identifier = "com.evil"; }),
         "identifier \"com.evil\" does not match \"com.zephrane.app\""},
        {"identifier differs only in case", with([](CodeInfo& c) { c.identity->identifier = "com.zephrane.App"; }),
         "identifier \"com.zephrane.App\" does not match \"com.zephrane.app\""},
        {"another team", with([](CodeInfo& c) { c.identity->teamIdentifier = "EVIL000000"; }),
         "certificate leaf[subject.OU] \"EVIL000000\" does not match \"ZPHRN4B7Q2\""},
        {"no identity", with([](CodeInfo& c) { c.identity.reset(); }),
         "identifier \"com.zephrane.app\": the executable embeds no identity"},
        {"its loaded code not looked into", with([](CodeInfo& c) { c.loaded.reset(); }), std::nullopt},
        {"a library another user owns",
         with([](CodeInfo& c) { c.loaded->files.push_back(library("/home/m/inject.so", 1000, 0755)); }),
         "anchor apple generic: the process has loaded \"/home/m/inject.so\", owned by uid 1000, not uid 0"},
        {"a group-writable library",
         with([](CodeInfo& c) { c.loaded->files.push_back(library("/opt/lib/x.so", 0, 0775)); }),
         "anchor apple generic: the process has loaded \"/opt/lib/x.so\", writable by others than its owner (mode "
         "0775)"},
        {"a mapped file that cannot be found",
         with([](CodeInfo& c) { c.loaded->files.push_back(library("/memfd:x (deleted)", 0, 0, false)); }),
         "anchor apple generic: the process has loaded \"/memfd:x (deleted)\", which cannot be found to check"},
        {"a preload in its environment", with([](CodeInfo& c) { c.loaded->injectionVariables = {"LD_PRELOAD"}; }),
         "anchor apple generic: the process's environment sets LD_PRELOAD"},
        {"loaded code that cannot be read",
         with([](CodeInfo& c) { c.loaded->unreadable = "its memory map cannot be read: Permission denied"; }),
         "anchor apple generic: the process's loaded code cannot be checked: its memory map cannot be read: "
         "Permission denied"},
        {"traced by root", with([](CodeInfo& c) { c.tracer = Tracer{77, {0, 0, 0, 0}}; }), std::nullopt},
        {"traced by another user", with([](CodeInfo& c) { c.tracer = Tracer{77, {1000, 1000, 1000, 1000}}; }),
         "anchor apple generic: the process is being traced by process 77 (uid 1000), which may steer it"},
        {"traced by a user that was root once", with([](CodeInfo& c) { c.tracer = Tracer{77, {1000, 1000, 0, 1000}}; }),
         "anchor apple generic: the process is being traced by process 77 (uid 1000), which may steer it"},
        {"traced by a process that cannot be looked at", with([](CodeInfo& c) { c.tracer = Tracer{77, {}}; }),
         "anchor apple generic: the process is being traced by process 77, which cannot be looked at"},
        {"its status unreadable", with([](CodeInfo& c) { c.tracer = Tracer{}; }),
         "anchor apple generic: the process is being traced or its status cannot be read"},
        {"traced, and injected into too",
         with([](CodeInfo& c) {
             c.tracer = Tracer{77, {1000, 1000, 1000, 1000}};
             c.loaded->injectionVariables = {"LD_PRELOAD"};
         }),
         "anchor apple generic: the process is being traced by process 77 (uid 1000), which may steer it"},
        {"every clause fails: the anchor is named first",
         with([](CodeInfo& c) {
             c.owner = 7;
             c.identity.reset();
         }),
         "anchor apple generic: the executable is owned by uid 7, not uid 0"},
    };
    for (const auto& c : cases) EXPECT_EQ(requirement.check(c.code, TrustPolicy{}), c.failure) << c.edge;
}

TEST(Requirement, TrustPolicyNamesTheOwnerTheAnchorAccepts) {
    const Requirement anchor = Requirement::parse("anchor apple generic");
    CodeInfo code = genuineApp();
    code.owner = 1000;
    EXPECT_EQ(anchor.check(code, TrustPolicy{1000}), std::nullopt);
    // Libraries may belong to that owner or to root, the system's.
    code.loaded->files.push_back(library("/home/dev/lib/x.so", 1000, 0755));
    EXPECT_EQ(anchor.check(code, TrustPolicy{1000}), std::nullopt);
    code.loaded->files.push_back(library("/home/other/y.so", 1001, 0755));
    EXPECT_EQ(anchor.check(code, TrustPolicy{1000}),
              "anchor apple generic: the process has loaded \"/home/other/y.so\", owned by uid 1001, not uid 1000");
    // That owner may debug its own program; another user may not.
    code.tracer = Tracer{77, {1000, 1000, 1000, 1000}};
    code.loaded->files.pop_back();
    EXPECT_EQ(anchor.check(code, TrustPolicy{1000}), std::nullopt);
    code.tracer = Tracer{77, {1001, 1001, 1001, 1001}};
    EXPECT_EQ(anchor.check(code, TrustPolicy{1000}),
              "anchor apple generic: the process is being traced by process 77 (uid 1001), which may steer it");
    code.tracer.reset();
    code.owner = 0;
    EXPECT_EQ(anchor.check(code, TrustPolicy{1000}),
              "anchor apple generic: the executable is owned by uid 0, not uid 1000");
}

TEST(Requirement, TeamClauseAloneReportsAMissingIdentity) {
    CodeInfo code = genuineApp();
    code.identity.reset();
    EXPECT_EQ(Requirement::parse("certificate leaf[subject.OU] = \"T\"").check(code, TrustPolicy{}),
              "certificate leaf[subject.OU] = \"T\": the executable embeds no identity");
}

}  // namespace
}  // namespace zephrane::codesign
