// Fuzz target for the XML reader: any bytes are loaded as a document (which
// runs the encoding detection, the conversion and the indexing), then the
// lookups of the text table and some others are walked and every text taken.

#include "settings/XmlDocument.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

constexpr std::u16string_view kNames[] = {u"config", u"tc_ok", u"tc_title", u"a", u"b", u"t"};

// Goes down the document: at each level every child of each name, its text,
// and one level further into the last one found.
void Walk(settings::XmlDocument& doc, int depth) {
    for (std::u16string_view name : kNames) {
        bool found = false;
        for (int i = 0; i < 8 && doc.FindChild(name); ++i) {
            found = true;
            (void)doc.ChildText();
        }
        if (found && depth > 0) {
            doc.EnterChild();
            Walk(doc, depth - 1);
            return;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    settings::XmlDocument doc;
    doc.LoadBytes(std::string_view(reinterpret_cast<const char*>(data), size));

    // As the text table looks up a key.
    doc.ResetLookup();
    doc.FindRoot();
    if (doc.FindChild(u"config")) {
        doc.EnterChild();
        if (doc.FindChild(u"tc_ok"))
            (void)doc.ChildText();
    }

    doc.ResetLookup();
    Walk(doc, 4);

    (void)settings::XmlDecodeText(doc.Text());
    return 0;
}
