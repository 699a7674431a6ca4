// Turning the agent's replies and the alert log into what users read.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace rkhost {

using Object = std::vector<std::pair<std::string, std::string>>;

// Applies an XSLT 1.0 style sheet file to an XML text. Returns false with a
// reason when the sheet or the document cannot be read.
bool applyStyleSheet(const std::string& sheetPath, const std::string& xml, std::string& out,
                     std::string& error);

// Escapes text for XML output; control bytes are dropped and bytes that are
// not UTF-8 become U+FFFD, so the document is always well-formed.
std::string xmlEscape(const std::string& text);

// The DCStorageObject elements of a reply, each with its child elements in order.
std::vector<Object> replyObjects(const std::string& xml);

// The alert log's events (one per line: time, severity, object, text,
// separated by tabs), as objects with those four members.
std::vector<Object> readAlertLog(const std::string& path, bool& readable);

// The events as an XML document for the alert-log style sheet.
std::string alertLogXml(const std::string& path, const std::vector<Object>& events);

// A generic rendering used when a style sheet is missing: one block per
// object, names and values aligned.
// A text as a terminal should show it: control characters (an escape
// sequence typed into a value, say) and bytes that are not UTF-8 become
// "\x1B", "\xFF"; tab, and line feed where
// lines are kept, stay as they are.
std::string visibleControls(const std::string& text, bool keepLines = true);

std::string plainObjects(const std::vector<Object>& objects);

}  // namespace rkhost
