#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include <pugixml.hpp>

// The envelope every answer of the catalog service comes in:
// <kestrum-api><result code="N"/>...</kestrum-api>. Parse turns an answer
// into one result code; on 0 the subclass reads its part of the body.
// A reader is made on the stack of a completion handler, used once, dropped;
// it only points at the objects it fills.
class XMLResponse {
public:
    static constexpr int32_t kSuccess = 0;
    static constexpr int32_t kNotActivated = 202;
    static constexpr int32_t kSessionExpired = 203;
    static constexpr int32_t kNoAnswer = 998;    // the transfer failed
    static constexpr int32_t kUnreadable = 999;  // no body, not the envelope, or a bad body

    virtual ~XMLResponse() = default;
    // Reads the method's part below the root; false makes the answer unreadable.
    virtual bool ReadBody(const pugi::xml_node& root);

    // With the UI lock held. Everything after the last ">" is ignored, so a
    // short body or trailing bytes do not spoil a complete document. Code 203
    // marks the configuration pending and sends the user back to sign in.
    int32_t Parse(const char* data, std::size_t length);

    // The common error message for a non-zero code.
    static void ShowError(int32_t code);

    // Attribute readers. A missing attribute is false. A number is read like
    // a stream extraction: a text without a leading number leaves the target
    // unchanged and still counts as present.
    static bool ReadText(const pugi::xml_node& node, const char* name, std::u16string& out);
    static bool ReadInt(const pugi::xml_node& node, const char* name, int32_t& out);
    static bool ReadUInt(const pugi::xml_node& node, const char* name, uint32_t& out);
    static bool ReadDouble(const pugi::xml_node& node, const char* name, double& out);
    // The same for an attribute already found (an empty handle is missing).
    static bool ReadText(const pugi::xml_attribute& a, std::u16string& out);
    static bool ReadInt(const pugi::xml_attribute& a, int32_t& out);
    static bool ReadUInt(const pugi::xml_attribute& a, uint32_t& out);
    static bool ReadDouble(const pugi::xml_attribute& a, double& out);
};

// "auth": the session id.
class XMLResponse_Auth : public XMLResponse {
public:
    explicit XMLResponse_Auth(std::u16string* sessionId) : sessionId(sessionId) {}
    bool ReadBody(const pugi::xml_node& root) override;

private:
    std::u16string* sessionId;
};

// Answers that carry nothing but the code.
class XMLResponse_Reg : public XMLResponse {};
class XMLResponse_AuthRestore : public XMLResponse {};
class XMLResponse_Config : public XMLResponse {};
class XMLResponse_Rate : public XMLResponse {};  // "rate" and "feedback"
