// HTML mail made text for the viewer.
#include "mime/html_text.h"

#include <gtest/gtest.h>

#include <string>

namespace pell {
namespace {

TEST(HtmlToText, TagsBreaksEntitiesAndHiddenParts) {
    const std::pair<std::string, std::string> cases[] = {
        {"<p>一行目<br>二行目</p><p>次</p>", "一行目\r\n二行目\r\n\r\n次"},
        {"<div>a</div><div>b</div><ul><li>c<li>d</ul>", "a\r\nb\r\n\r\nc\r\nd"},
        {"<table><tr><td>x</td><td>y</td></tr><tr><td>z</td></tr></table>", "x y\r\nz"},
        {"a  \r\n\t b", "a b"},
        {"<pre>a  b\nc</pre>", "a  b\r\nc"},
        {"<br><br><br><br>x<br><br><br><br>y", "x\r\n\r\ny"},
        {"<head><title>t</title></head><style>p{}</style><script>if(a<b)x()</script>ok", "ok"},
        {"<SCRIPT>x</Script>ok<!-- <p>no</p> -->!", "ok!"},
        {"<a href=\"x?a=1&amp;b>2\">link</a>", "link"},
        {"&lt;&gt;&amp;&quot;&apos;&nbsp;&copy;&yen;", "<>&\"' 〓¥"},
        {"&#12354;&#x3042;&#X3044;&#99999999;&#0;&#xD800;", "ああい〓〓〓"},
        {"&unknown; &amp &#x; & a", "&unknown; &amp &#x; & a"},
        {"a < b", "a < b"},
        {"text<div unterminated", "text"},
        {"x<!-- unterminated", "x"},
        {"ok<script>never closed", "ok"},
        {"表<b>示</b>", "表示"},
    };
    for (const auto& [html, expected] : cases)
        EXPECT_EQ(HtmlToText(html), expected) << html;
}

TEST(HtmlDeclaredCharset, MetaTagsOfBothForms) {
    EXPECT_EQ(HtmlDeclaredCharset("<meta charset=\"Shift_JIS\">"), "Shift_JIS");
    EXPECT_EQ(HtmlDeclaredCharset("<meta http-equiv=Content-Type content='text/html; "
                                  "CHARSET=euc-jp'>"),
              "euc-jp");
    EXPECT_EQ(HtmlDeclaredCharset("<p>none</p>"), "");
}

}  // namespace
}  // namespace pell
