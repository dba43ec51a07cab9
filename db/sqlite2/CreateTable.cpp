// SQLite 2 keeps no column catalogue: names, types and the rowid alias exist only in the
// CREATE TABLE text of sqlite_master, so we take that text apart here.
#include "Sqlite2Reader.h"

#include <initializer_list>
#include <utility>

namespace kelvara::sqlite2 {

namespace {

struct Token {
    enum Kind { Word, Quoted, Punct } kind;
    std::string text;  // dequoted for Quoted
};

bool isWordByte(unsigned char c)
{
    // Bytes above 0x7F count as letters, as in SQLite's own tokenizer, so that cp1250 or
    // UTF-8 column names survive.
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           c == '_' || c == '$' || c >= 0x80;
}

bool sameWord(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 32);
        if (x != y)
            return false;
    }
    return true;
}

bool isKeyword(const Token& token, std::string_view keyword)
{
    return token.kind == Token::Word && sameWord(token.text, keyword);
}

bool isAnyKeyword(const Token& token, std::initializer_list<std::string_view> keywords)
{
    for (std::string_view keyword : keywords)
        if (isKeyword(token, keyword))
            return true;
    return false;
}

bool isPunct(const Token& token, char c)
{
    return token.kind == Token::Punct && token.text.size() == 1 && token.text[0] == c;
}

std::vector<Token> tokenize(std::string_view sql)
{
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < sql.size()) {
        const unsigned char c = static_cast<unsigned char>(sql[i]);
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') {
            ++i;
        } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
            const std::size_t end = sql.find('\n', i);
            i = end == std::string_view::npos ? sql.size() : end + 1;
        } else if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
            const std::size_t end = sql.find("*/", i + 2);
            i = end == std::string_view::npos ? sql.size() : end + 2;
        } else if (c == '"' || c == '\'' || c == '`' || c == '[') {
            const char close = c == '[' ? ']' : static_cast<char>(c);
            std::string text;
            std::size_t j = i + 1;
            for (;;) {
                if (j >= sql.size())
                    throw Error("unterminated quoted name or string");
                if (sql[j] == close) {
                    // A doubled quote stands for itself; brackets have no escape.
                    if (c != '[' && j + 1 < sql.size() && sql[j + 1] == close) {
                        text += close;
                        j += 2;
                        continue;
                    }
                    break;
                }
                text += sql[j++];
            }
            tokens.push_back({Token::Quoted, std::move(text)});
            i = j + 1;
        } else if (isWordByte(c)) {
            std::size_t j = i;
            while (j < sql.size() && isWordByte(static_cast<unsigned char>(sql[j])))
                ++j;
            tokens.push_back({Token::Word, std::string(sql.substr(i, j - i))});
            i = j;
        } else {
            tokens.push_back({Token::Punct, std::string(1, static_cast<char>(c))});
            ++i;
        }
    }
    return tokens;
}

bool isName(const Token& token)
{
    return token.kind != Token::Punct;
}

// Type text the way it was declared, with whitespace collapsed: "numeric(10,2)",
// "double precision".
std::string typeText(const std::vector<Token>& tokens, std::size_t begin, std::size_t end)
{
    std::string type;
    bool lastWasName = false;
    for (std::size_t i = begin; i < end; ++i) {
        const bool name = isName(tokens[i]);
        if (name && lastWasName)
            type += ' ';
        type += tokens[i].text;
        lastWasName = name;
    }
    return type;
}

// Where the column list starts: just past the "(" after CREATE [TEMP] TABLE [db.]name.
std::size_t columnListStart(const std::vector<Token>& tokens)
{
    std::size_t pos = 0;
    auto at = [&](std::size_t i) -> const Token* { return i < tokens.size() ? &tokens[i] : nullptr; };

    if (!at(pos) || !isKeyword(*at(pos), "CREATE"))
        throw Error("not a CREATE TABLE statement");
    ++pos;
    if (at(pos) && isAnyKeyword(*at(pos), {"TEMP", "TEMPORARY"}))
        ++pos;
    if (!at(pos) || !isKeyword(*at(pos), "TABLE"))
        throw Error("not a CREATE TABLE statement");
    ++pos;
    if (!at(pos) || !isName(*at(pos)))
        throw Error("CREATE TABLE without a table name");
    ++pos;
    if (at(pos) && isPunct(*at(pos), '.')) {  // database-qualified name
        if (!at(pos + 1) || !isName(*at(pos + 1)))
            throw Error("CREATE TABLE without a table name");
        pos += 2;
    }
    if (at(pos) && isKeyword(*at(pos), "AS"))
        throw Error("table created by AS SELECT; its columns are not written down");
    if (!at(pos) || !isPunct(*at(pos), '('))
        throw Error("CREATE TABLE without a column list");
    return pos + 1;
}

using Span = std::pair<std::size_t, std::size_t>;  // [begin, end) in the tokens

// The entries of the list starting at pos, split at top-level commas up to the matching ")".
std::vector<Span> columnListEntries(const std::vector<Token>& tokens, std::size_t pos)
{
    std::vector<Span> items;
    std::size_t itemStart = pos;
    int depth = 0;
    for (;; ++pos) {
        if (pos >= tokens.size())
            throw Error("column list is not closed");
        const Token& token = tokens[pos];
        if (isPunct(token, '(')) {
            ++depth;
        } else if (isPunct(token, ')') && depth > 0) {
            --depth;
        } else if (depth == 0 && (isPunct(token, ',') || isPunct(token, ')'))) {
            items.emplace_back(itemStart, pos);
            itemStart = pos + 1;
            if (isPunct(token, ')'))
                return items;
        }
    }
}

// The column names of the first PRIMARY KEY(...) in a table constraint; empty when none.
std::vector<std::string> constraintKeyColumns(const std::vector<Token>& tokens, Span item)
{
    const auto [begin, end] = item;
    for (std::size_t i = begin; i + 2 < end; ++i) {
        if (!isKeyword(tokens[i], "PRIMARY") || !isKeyword(tokens[i + 1], "KEY") ||
            !isPunct(tokens[i + 2], '('))
            continue;
        std::size_t j = i + 3;
        std::vector<std::string> names;
        while (j < end && !isPunct(tokens[j], ')')) {
            if (isName(tokens[j]) && (j == i + 3 || isPunct(tokens[j - 1], ',')))
                names.push_back(tokens[j].text);
            ++j;
        }
        return names;
    }
    return {};
}

// A column entry: name, declared type, and whether its constraints say PRIMARY KEY.
Column columnOf(const std::vector<Token>& tokens, Span item, bool* primaryKey)
{
    const auto [begin, end] = item;
    if (!isName(tokens[begin]))
        throw Error("column entry does not start with a name");
    Column column;
    column.name = tokens[begin].text;
    std::size_t typeEnd = begin + 1;
    while (typeEnd < end &&
           !isAnyKeyword(tokens[typeEnd], {"CONSTRAINT", "PRIMARY", "NOT", "NULL", "UNIQUE",
                                           "CHECK", "DEFAULT", "COLLATE", "REFERENCES"}))
        ++typeEnd;
    column.type = typeText(tokens, begin + 1, typeEnd);
    int nesting = 0;
    *primaryKey = false;
    for (std::size_t i = typeEnd; i < end; ++i) {
        if (isPunct(tokens[i], '('))
            ++nesting;
        else if (isPunct(tokens[i], ')'))
            --nesting;
        else if (nesting == 0 && i + 1 < end && isKeyword(tokens[i], "PRIMARY") &&
                 isKeyword(tokens[i + 1], "KEY"))
            *primaryKey = true;
    }
    return column;
}

}  // namespace

TableDefinition parseCreateTable(std::string_view sql)
{
    const std::vector<Token> tokens = tokenize(sql);
    const std::vector<Span> items = columnListEntries(tokens, columnListStart(tokens));

    TableDefinition definition;
    int primaryKey = -1;
    bool inConstraints = false;
    auto findColumn = [&](std::string_view name) {
        for (std::size_t i = 0; i < definition.columns.size(); ++i)
            if (sameWord(definition.columns[i].name, name))
                return static_cast<int>(i);
        return -1;
    };

    for (const Span& item : items) {
        if (item.first == item.second)
            throw Error("empty entry in the column list");
        if (isAnyKeyword(tokens[item.first], {"CONSTRAINT", "PRIMARY", "UNIQUE", "CHECK", "FOREIGN"}))
            inConstraints = true;
        if (inConstraints) {
            // Table constraint: only a one-column PRIMARY KEY(...) matters to us.
            const std::vector<std::string> names = constraintKeyColumns(tokens, item);
            if (names.size() == 1)
                primaryKey = findColumn(names.front());
            continue;
        }
        bool declaresKey = false;
        definition.columns.push_back(columnOf(tokens, item, &declaresKey));
        if (declaresKey)
            primaryKey = static_cast<int>(definition.columns.size() - 1);
    }
    if (definition.columns.empty())
        throw Error("table has no columns");
    if (primaryKey >= 0 &&
        sameWord(definition.columns[static_cast<std::size_t>(primaryKey)].type, "INTEGER"))
        definition.integerPrimaryKey = primaryKey;
    return definition;
}

std::vector<std::string> parseCreateIndex(std::string_view sql)
{
    const std::vector<Token> tokens = tokenize(sql);
    std::size_t pos = 0;
    auto at = [&](std::size_t i) -> const Token* { return i < tokens.size() ? &tokens[i] : nullptr; };
    if (!at(pos) || !isKeyword(*at(pos), "CREATE"))
        throw Error("not a CREATE INDEX statement");
    ++pos;
    if (at(pos) && isKeyword(*at(pos), "UNIQUE"))
        ++pos;
    if (!at(pos) || !isKeyword(*at(pos), "INDEX"))
        throw Error("not a CREATE INDEX statement");
    while (at(pos) && !isKeyword(*at(pos), "ON"))
        ++pos;
    // ON, the table name (maybe qualified), then the column list.
    pos += 2;
    if (at(pos) && isPunct(*at(pos), '.'))
        pos += 2;
    if (!at(pos) || !isPunct(*at(pos), '('))
        throw Error("CREATE INDEX without a column list");
    std::vector<std::string> columns;
    bool expectName = true;
    for (++pos;; ++pos) {
        if (!at(pos))
            throw Error("index column list is not closed");
        const Token& token = *at(pos);
        if (isPunct(token, ')'))
            break;
        if (isPunct(token, ',')) {
            expectName = true;
        } else if (expectName) {
            if (!isName(token))
                throw Error("index column entry does not start with a name");
            columns.push_back(token.text);
            expectName = false;
        }
    }
    if (columns.empty())
        throw Error("index has no columns");
    return columns;
}

}  // namespace kelvara::sqlite2
