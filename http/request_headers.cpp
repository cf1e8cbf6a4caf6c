#include "http/request_headers.hpp"

#include "core/text_ops.hpp"

namespace kessaro {
namespace {

const Text kLineBreak = "\r\n";

struct DefaultHeader {
    const char* searched_for;
    const char* line;
    bool post_only;
};

constexpr DefaultHeader kDefaultHeaders[] = {
    {"Accept:", "Accept: */*", false},
    {"Referer:", nullptr, false},  // the line carries the url
    {"Accept-Language:", "Accept-Language: zh-cn", false},
    {"User-Agent:", "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)", false},
    {"Content-Type:", "Content-Type: application/x-www-form-urlencoded", true},
};

constexpr int32_t kMethodPost = 1;

Text capitalise_name(const Text& name) {
    Text joined;
    bool first = true;
    for (const Text& piece : split_text(name, "-")) {
        if (!first)
            joined += Text("-");
        joined += capitalise_first(piece);
        first = false;
    }
    return joined;
}

}  // namespace

void complete_default_headers(Text& header_text, const Text& url, int32_t method) {
    for (const DefaultHeader& header : kDefaultHeaders) {
        if (header.post_only && method != kMethodPost)
            continue;
        if (find_text(header_text, header.searched_for, 1, true) != -1)
            continue;
        header_text += kLineBreak;
        header_text += header.line ? Text(header.line) : Text("Referer: ") + url;
    }
}

Text normalise_header_lines(const Text& header_text) {
    Text result;
    for (const Text& line : split_text(header_text, kLineBreak)) {
        const int32_t colon = find_text(line, ":");
        if (colon == -1)
            continue;
        // Splitting drops a trailing empty piece ("x-"), so the capitalised name can be
        // shorter than the original: only as many leading bytes are replaced as it has.
        const Text name = capitalise_name(left_part(line, colon - 1));
        const Text rest = right_part(line, static_cast<int32_t>(line.size() - name.size()));
        if (!result.empty())
            result += kLineBreak;
        result += name + rest;
    }
    return result;
}

Text capitalise_first(const Text& text) {
    if (text.empty())
        return text;
    std::string bytes = text.str();
    if (bytes[0] >= 'a' && bytes[0] <= 'z')
        bytes[0] = static_cast<char>(bytes[0] - 'a' + 'A');
    return Text(std::move(bytes));
}

Text header_name_of(const Text& line) {
    const int32_t colon = find_text(line, ":");
    return colon == -1 ? Text() : trim_blanks(left_part(line, colon - 1));
}

Text header_value_of(const Text& line) {
    const int32_t colon = find_text(line, ":");
    return colon == -1 ? Text()
                       : trim_blanks(right_part(line, static_cast<int32_t>(line.size()) - colon));
}

std::vector<std::pair<Text, Text>> header_lines_to_apply(const Text& header_text) {
    std::vector<std::pair<Text, Text>> lines;
    if (find_text(header_text, kLineBreak) == -1) {
        lines.emplace_back(header_name_of(header_text), header_value_of(header_text));
        return lines;
    }
    for (const Text& line : split_text(header_text, kLineBreak)) {
        if (line.empty())
            continue;
        Text name = header_name_of(line);
        Text value = header_value_of(line);
        if (name == Text("Connection") && value == Text("keep-alive"))
            continue;
        lines.emplace_back(std::move(name), std::move(value));
    }
    return lines;
}

}  // namespace kessaro
