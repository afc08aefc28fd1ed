#include "platform/htmlview/MasterStyle.h"

namespace platform::htmlview {

const char* MasterStyleSheet() {
    return R"css(
html { display: block; position: relative; }
head, title, meta, link, style, script, base, noscript, template { display: none; }
body { display: block; margin: 0.5em; }
p, div, address, blockquote, center, figure, figcaption, form, header, footer, main, nav, section, article,
aside, hr, pre, ul, ol, dl, dt, dd, fieldset, legend, h1, h2, h3, h4, h5, h6 { display: block; }
p, blockquote, ul, ol, dl, pre, figure { margin-top: 1em; margin-bottom: 1em; }
blockquote, figure { margin-left: 2em; margin-right: 2em; }
dd { margin-left: 2em; }
h1 { font-size: 2em; margin: 0.67em 0; font-weight: bold; }
h2 { font-size: 1.5em; margin: 0.75em 0; font-weight: bold; }
h3 { font-size: 1.17em; margin: 0.83em 0; font-weight: bold; }
h4 { margin: 1.12em 0; font-weight: bold; }
h5 { font-size: 0.83em; margin: 1.5em 0; font-weight: bold; }
h6 { font-size: 0.75em; margin: 1.67em 0; font-weight: bold; }
b, strong, th { font-weight: bold; }
i, em, cite, var, dfn, address { font-style: italic; }
u, ins { text-decoration: underline; }
s, strike, del { text-decoration: line-through; }
small { font-size: 0.83em; }
big { font-size: 1.17em; }
sub { vertical-align: sub; font-size: 0.83em; }
sup { vertical-align: super; font-size: 0.83em; }
pre, code, kbd, samp, tt { font-family: monospace; }
pre { white-space: pre; }
center { text-align: center; }
hr { border: 1px inset #808080; margin: 0.5em auto; }
ul, ol { padding-left: 2em; }
ul { list-style-type: disc; }
ol { list-style-type: decimal; }
ul ul { list-style-type: circle; }
li { display: list-item; }
a:link, a[href] { color: #0645ad; text-decoration: underline; cursor: pointer; }
img { display: inline-block; }
table { display: table; border-collapse: separate; border-spacing: 2px; }
thead { display: table-header-group; vertical-align: middle; }
tbody { display: table-row-group; vertical-align: middle; }
tfoot { display: table-footer-group; vertical-align: middle; }
tr { display: table-row; vertical-align: inherit; }
td, th { display: table-cell; vertical-align: inherit; padding: 1px; }
th { text-align: center; }
caption { display: table-caption; text-align: center; }
col { display: table-column; }
colgroup { display: table-column-group; }
input, select, textarea, button { display: inline-block; }
br { display: block; }
)css";
}

}  // namespace platform::htmlview
