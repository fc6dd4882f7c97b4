// Multipart bodies, transfer encodings, HTML and MIME parameters of any bytes.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "mime/html_text.h"
#include "mime/mime_headers.h"
#include "mime/mime_walk.h"
#include "mime/transfer_encoding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // The first line is the boundary (or a parameter list), the rest the body.
    const std::size_t newline = input.find('\n');
    const std::string_view first = input.substr(0, newline);
    const std::string_view body =
        newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);

    const auto leaves = pell::WalkMultipart(body, first);
    if (leaves.size() > pell::kMaxMimeLeaves)
        std::abort();
    for (const pell::MimeLeaf& leaf : leaves) {
        if (leaf.depth == 0 || leaf.depth > pell::kMaxMimeDepth)
            std::abort();
        const bool inside =
            leaf.body.empty() || (leaf.body.data() >= body.data() &&
                                  leaf.body.data() + leaf.body.size() <= body.data() + body.size());
        if (!inside)
            std::abort();
    }
    if (pell::DecodeBase64Lenient(body).size() > body.size())
        std::abort();
    if (pell::DecodeQuotedPrintable(body).size() > body.size())
        std::abort();
    const std::string text = pell::HtmlToText(body);
    // A line break (CR LF) is the most that one byte of HTML can give.
    if (text.size() > 2 * body.size())
        std::abort();
    pell::HtmlDeclaredCharset(body);
    const auto parameters = pell::ParseParameters(first);
    if (parameters.size() > pell::kMaxParameters)
        std::abort();
    pell::FileNameParameter(parameters, "filename");
    pell::ReadPartHeaders(input);
    return 0;
}
