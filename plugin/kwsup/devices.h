// Reading single values of one enclosure's record, with an outcome that tells
// an unreadable record apart from every value the record can hold. The
// exported asset checks (IsAssetLengthValid, IsAssetInfoDuplicate) are built
// on these; the enclosure callback uses them directly so that a record it
// cannot read is not mistaken for a length limit of 272 or a duplicate.
// Internal to the plug-in.
#ifndef KWSUP_DEVICES_H
#define KWSUP_DEVICES_H

#include <stdint.h>

namespace kwsup {

enum EnclosureRecordStatus : int32_t {
    kRecordRead       = 0,
    kRecordUnreadable = 272  // no reply buffer, or no reply from the data agent
};

// The longest asset text the enclosure takes for elementName
// ("MaxAssetTagLength" or "MaxAssetNameLength"); when the record does not
// carry it, 10 for the tag, 32 for the name and 0 for any other element.
int32_t readAssetLengthLimit(const char* controller, const char* enclosure, const char* elementName,
                             uint32_t* maximum);

// The enclosure's current value of elementName ("AssetTag" or "AssetName")
// cut to size - 1 characters; empty when the record does not carry it.
int32_t readAssetText(const char* controller, const char* enclosure, const char* elementName,
                      char* value, uint32_t size);

}  // namespace kwsup

#endif
