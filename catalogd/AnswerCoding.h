#pragma once

namespace httplib {
struct Request;
struct Response;
}  // namespace httplib

namespace catalogd {

// Below this many bytes an answer travels as it is: the coding's own header
// and trailer would eat most of what it saves, and the client would spend
// time decoding for nothing.
constexpr unsigned kCompressFrom = 256;

// Decides, once the handler has answered, whether the HTTP layer may
// compress `res` for a client that asked for it. Only whole text answers
// (the API's XML, XML files, advertisement pages) of at least kCompressFrom
// bytes qualify; pictures and packages never do, nor does any part of a
// file, so that a range always counts the file's own bytes. For any other
// answer the request's offer of codings is withdrawn before the layer sees
// it.
void ChooseAnswerCoding(const httplib::Request& req, httplib::Response& res);

}  // namespace catalogd
