#include "cli/Tokenizer.h"

#include <algorithm>

namespace brak::jar {

bool Token::quotedFrom(size_t from) const {
    return from < quoted.size() &&
           std::find(quoted.begin() + static_cast<long>(from), quoted.end(), true) != quoted.end();
}

std::vector<Token> tokenize(std::string_view line) {
    std::vector<Token> tokens;
    Token current;
    bool inToken = false;
    bool inQuotes = false;
    for (char c : line) {
        if (c == '"') {
            inQuotes = !inQuotes;
            inToken = true; // "" is an empty argument, as on Windows
            current.emptyQuotes = current.text.empty();
        } else if (!inQuotes && (c == ' ' || c == '\t')) {
            if (inToken)
                tokens.push_back(std::move(current));
            current = Token();
            inToken = false;
        } else {
            current.text += c;
            current.quoted.push_back(inQuotes);
            inToken = true;
        }
    }
    if (inToken)
        tokens.push_back(std::move(current));
    return tokens;
}

} // namespace brak::jar
