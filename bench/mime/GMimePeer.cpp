// GMime 3 as the peer: g_mime_parser_construct_message over the same bytes, then every leaf part
// decoded by its transfer encoding into a memory stream, so the work matches Quillbox's.
#include "ParsePeer.h"

#include <gmime/gmime.h>

#include <vector>

namespace {

class GMimePeer : public ParsePeer {
public:
    std::string Name() const override
    {
        return "GMime " + std::to_string(GMIME_MAJOR_VERSION) + "." + std::to_string(GMIME_MINOR_VERSION) + "." +
               std::to_string(GMIME_MICRO_VERSION);
    }

    void Prepare(const std::string& bytes) override
    {
        g_mime_init();
        GByteArray* array = g_byte_array_sized_new(guint(bytes.size()));
        g_byte_array_append(array, reinterpret_cast<const guint8*>(bytes.data()), guint(bytes.size()));
        stream_ = g_mime_stream_mem_new_with_byte_array(array);
    }

    std::string Parse() override
    {
        GMimeParser* parser = g_mime_parser_new_with_stream(stream_);
        message_ = g_mime_parser_construct_message(parser, nullptr);
        g_object_unref(parser);
        if (!message_) return "no message";
        const char* subject = g_mime_message_get_subject(message_);
        InternetAddressList* from = g_mime_message_get_from(message_);
        g_mime_message_foreach(message_, DecodePart, this);
        return std::string(subject ? "subject, " : "no subject, ") + std::to_string(from ? internet_address_list_length(from) : 0) +
               " from, " + std::to_string(decoded_.size()) + " parts of " + std::to_string(bytes_) + " bytes";
    }

    // The process ends after the measurement: nothing is released.

private:
    static void DecodePart(GMimeObject*, GMimeObject* object, gpointer data)
    {
        if (!GMIME_IS_PART(object)) return;
        GMimeDataWrapper* content = g_mime_part_get_content(GMIME_PART(object));
        if (!content) return;
        auto* self = static_cast<GMimePeer*>(data);
        GMimeStream* out = g_mime_stream_mem_new();
        g_mime_data_wrapper_write_to_stream(content, out);
        self->bytes_ += size_t(g_mime_stream_length(out));
        self->decoded_.push_back(out);
    }

    GMimeStream* stream_ = nullptr;
    GMimeMessage* message_ = nullptr;
    std::vector<GMimeStream*> decoded_;
    size_t bytes_ = 0;
};

}  // namespace

std::unique_ptr<ParsePeer> MakeGMimePeer() { return std::make_unique<GMimePeer>(); }
