#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "platform/codesign/CodeSigning.hpp"

namespace zephrane::codesign {

namespace {

struct Token {
    enum class Kind { word, quoted, openBracket, closeBracket, equals, end };
    Kind kind = Kind::end;
    std::string text;
    std::size_t offset = 0;
};

bool isWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
           c == '_';
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Words of the full language we do not understand; refusing them by name
// says more than "unexpected word".
bool isOperator(std::string_view word) { return word == "and" || word == "or" || word == "not"; }

std::string describe(char c) {
    if (c >= 0x21 && c <= 0x7e) return std::string("'") + c + "'";
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02x", static_cast<unsigned>(static_cast<unsigned char>(c)));
    return hex;
}

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    std::vector<Requirement::Clause> clauses() {
        std::vector<Requirement::Clause> result;
        for (;;) {
            result.push_back(clause(result.empty()));
            const Token next = take();
            if (next.kind == Token::Kind::end) return result;
            if (next.kind == Token::Kind::word && next.text == "and") continue;
            if (next.kind == Token::Kind::word && isOperator(next.text))
                fail(next.offset, "\"" + next.text + "\" is not supported");
            fail(next.offset, "expected \"and\" or the end");
        }
    }

private:
    using Clause = Requirement::Clause;

    [[noreturn]] void fail(std::size_t offset, const std::string& what) const {
        throw RequirementError("cannot parse requirement at offset " + std::to_string(offset) + ": " + what);
    }

    Clause clause(bool first) {
        const Token head = take();
        if (head.kind == Token::Kind::end) fail(head.offset, first ? "empty requirement" : "dangling \"and\"");
        if (head.kind != Token::Kind::word) fail(head.offset, "expected a clause");
        if (head.text == "anchor") {
            expectWord("apple");
            expectWord("generic");
            return {Clause::Kind::anchorAppleGeneric, {}};
        }
        if (head.text == "identifier") return {Clause::Kind::identifier, value("identifier")};
        if (head.text == "certificate") {
            expectWord("leaf");
            expect(Token::Kind::openBracket, "'['");
            expectWord("subject.OU");
            expect(Token::Kind::closeBracket, "']'");
            expect(Token::Kind::equals, "'='");
            return {Clause::Kind::leafOrganisationalUnit, value("organisational unit")};
        }
        if (head.text == "and") fail(head.offset, "\"and\" without a clause before it");
        if (isOperator(head.text)) fail(head.offset, "\"" + head.text + "\" is not supported");
        fail(head.offset, "unknown clause \"" + head.text + "\"");
    }

    void expectWord(std::string_view word) {
        const Token token = take();
        if (token.kind != Token::Kind::word || token.text != word)
            fail(token.offset, "expected \"" + std::string(word) + "\"");
    }

    void expect(Token::Kind kind, std::string_view what) {
        const Token token = take();
        if (token.kind != kind) fail(token.offset, "expected " + std::string(what));
    }

    std::string value(std::string_view what) {
        Token token = take();
        const bool bare = token.kind == Token::Kind::word && !isOperator(token.text);
        if (token.kind != Token::Kind::quoted && !bare) fail(token.offset, "expected the " + std::string(what));
        if (token.text.empty()) fail(token.offset, "empty " + std::string(what));
        return std::move(token.text);
    }

    Token take() {
        while (at_ < text_.size() && isSpace(text_[at_])) ++at_;
        Token token;
        token.offset = at_;
        if (at_ == text_.size()) return token;
        const char c = text_[at_];
        if (c == '[' || c == ']' || c == '=') {
            ++at_;
            token.kind = c == '[' ? Token::Kind::openBracket
                                  : (c == ']' ? Token::Kind::closeBracket : Token::Kind::equals);
            return token;
        }
        if (c == '"') {
            token.kind = Token::Kind::quoted;
            for (++at_; at_ < text_.size() && text_[at_] != '"'; ++at_) {
                if (text_[at_] == '\\' && ++at_ == text_.size()) break;
                token.text += text_[at_];
            }
            if (at_ >= text_.size()) fail(token.offset, "unterminated quoted text");
            ++at_;
            return token;
        }
        if (!isWordChar(c)) fail(at_, "unexpected character " + describe(c));
        token.kind = Token::Kind::word;
        while (at_ < text_.size() && isWordChar(text_[at_])) token.text += text_[at_++];
        return token;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

std::string quoted(std::string_view text) {
    std::string result;
    result.reserve(text.size() + 2);
    result += '"';
    result += text;
    result += '"';
    return result;
}

std::string octal(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

// A library injected into a genuine program makes it another program: every
// file the process maps executable must be beyond the reach of anyone but
// the trusted owner (or root, which owns the system's libraries whoever the
// trusted owner is), and the loader must not have been told to add any.
std::optional<std::string> checkLoadedCode(const LoadedCode& loaded, const TrustPolicy& policy) {
    const std::string prefix = "anchor apple generic: ";
    if (loaded.unreadable) return prefix + "the process's loaded code cannot be checked: " + *loaded.unreadable;
    if (!loaded.injectionVariables.empty())
        return prefix + "the process's environment sets " + loaded.injectionVariables.front();
    for (const LoadedFile& file : loaded.files) {
        const std::string what = prefix + "the process has loaded " + quoted(file.path);
        if (!file.current) return what + ", which cannot be found to check";
        if (file.owner != 0 && file.owner != policy.trustedOwner)
            return what + ", owned by uid " + std::to_string(file.owner) + ", not uid " +
                   std::to_string(policy.trustedOwner);
        if ((file.mode & (S_IWGRP | S_IWOTH)) != 0)
            return what + ", writable by others than its owner (mode " + octal(file.mode) + ")";
    }
    return std::nullopt;
}

// Root, or the owner the requirement trusts, could change the program or the
// system at will; anyone else who traces the process can make it do what
// they like, whatever code it has loaded.
std::optional<std::string> checkTracer(const Tracer& tracer, const TrustPolicy& policy) {
    const std::string prefix = "anchor apple generic: the process is being traced";
    if (tracer.pid <= 0) return prefix + " or its status cannot be read";
    const std::string by = prefix + " by process " + std::to_string(tracer.pid);
    if (tracer.uids.empty()) return by + ", which cannot be looked at";
    const auto all = [&](uid_t uid) {
        return std::all_of(tracer.uids.begin(), tracer.uids.end(), [uid](uid_t id) { return id == uid; });
    };
    if (all(0) || all(policy.trustedOwner)) return std::nullopt;
    return by + " (uid " + std::to_string(tracer.uids[1]) + "), which may steer it";
}

std::optional<std::string> checkClause(const Requirement::Clause& clause, const CodeInfo& code,
                                       const TrustPolicy& policy) {
    using Kind = Requirement::Clause::Kind;
    switch (clause.kind) {
        case Kind::anchorAppleGeneric:
            // Only the trusted owner can have written an executable that it
            // owns and nobody else may write.
            if (code.owner != policy.trustedOwner)
                return "anchor apple generic: the executable is owned by uid " + std::to_string(code.owner) +
                       ", not uid " + std::to_string(policy.trustedOwner);
            if ((code.mode & (S_IWGRP | S_IWOTH)) != 0)
                return "anchor apple generic: the executable is writable by others than its owner (mode " +
                       octal(code.mode) + ")";
            if (code.tracer)
                if (auto failure = checkTracer(*code.tracer, policy)) return failure;
            if (code.loaded) return checkLoadedCode(*code.loaded, policy);
            return std::nullopt;
        case Kind::identifier:
            if (!code.identity)
                return "identifier " + quoted(clause.value) + ": the executable embeds no identity";
            if (code.identity->identifier != clause.value)
                return "identifier " + quoted(code.identity->identifier) + " does not match " + quoted(clause.value);
            return std::nullopt;
        case Kind::leafOrganisationalUnit:
            if (!code.identity)
                return "certificate leaf[subject.OU] = " + quoted(clause.value) +
                       ": the executable embeds no identity";
            if (code.identity->teamIdentifier != clause.value)
                return "certificate leaf[subject.OU] " + quoted(code.identity->teamIdentifier) +
                       " does not match " + quoted(clause.value);
            return std::nullopt;
    }
    return "unknown clause";
}

}  // namespace

Requirement Requirement::parse(std::string_view text) {
    Requirement requirement;
    requirement.clauses_ = Parser(text).clauses();
    requirement.text_ = std::string(text);
    return requirement;
}

std::optional<std::string> Requirement::check(const CodeInfo& code, const TrustPolicy& policy) const {
    for (const Clause& clause : clauses_)
        if (auto failure = checkClause(clause, code, policy)) return failure;
    return std::nullopt;
}

}  // namespace zephrane::codesign
