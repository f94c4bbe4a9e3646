#pragma once
// The request texts the maintenance commands send, and Basic authentication.
// Every line ends in CR LF and a request closes with one empty line; "Host:" carries the
// device's address alone, never the port. Requests carry no body (uploads add their own).

#include <cstdint>
#include <string>
#include <string_view>

namespace scanvale {

// "GET " + target + " HTTP/1.1".
std::string MakeGetLine(std::string_view target);

// Base64 of user + ":" + password (both may be empty: then the Base64 of ":").
std::string MakeBasicAuth(std::string_view user, std::string_view password);

// Set A: version query, restart, factory default. `basicAuth` is MakeBasicAuth's result.
std::string MakeRequestSetA(std::string_view requestLine, std::string_view ip,
                            std::string_view basicAuth);
// Set B: the API command; set A with an older browser's User-Agent.
std::string MakeRequestSetB(std::string_view requestLine, std::string_view ip,
                            std::string_view basicAuth);
// Set C: the Digest path. `authorizationLine` is MakeDigestResponse's line without CR LF;
// empty for the requests that go out without credentials.
std::string MakeRequestSetC(std::string_view requestLine, std::string_view ip,
                            std::string_view authorizationLine = {});

// A web port text as a number: leading decimal digits after optional blanks; anything
// else, or a value beyond 65535, gives 0 (and port 0 never connects).
std::uint16_t ParsePortText(std::string_view port);

}  // namespace scanvale
