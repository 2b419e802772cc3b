// gdp_metadata.cpp: the JSON form of gdp.json as a record descriptor for the decoder.
#include "gdp/loader/gdp_metadata.h"

#include "json/document.h"
#include "json/schema.h"

namespace zt::gdp::loader {
namespace {

using json::field;
using json::Presence;

// In the array form the optional strings are still required positions, while
// `parameters`, which defaults to an empty object, may be cut off the end (a short
// array then names the first missing position after it).
constexpr json::FieldDescriptor kMetadataFields[] = {
    field<&GdpMetadata::id>("id"),
    field<&GdpMetadata::version>("version"),
    field<&GdpMetadata::name>("name", Presence::kOptional),
    field<&GdpMetadata::description>("description", Presence::kOptional),
    field<&GdpMetadata::mapper>("mapper", Presence::kOptional),
    field<&GdpMetadata::parameters>("parameters", Presence::kDefaulted),
    field<&GdpMetadata::mapping_sha256>("mapping_sha256", Presence::kOptional),
    field<&GdpMetadata::signer_ed25519>("signer_ed25519", Presence::kOptional),
};
constexpr json::RecordDescriptor kMetadata{"struct GdpMetadata",
                                           "struct GdpMetadata with 8 elements", kMetadataFields};

}  // namespace

std::expected<GdpMetadata, json::DecodeError> parse_gdp_metadata(std::string_view bytes) {
  return json::decode_record<GdpMetadata>(bytes, kMetadata);
}

}  // namespace zt::gdp::loader
