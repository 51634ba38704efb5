#include "core/Id3v2Record.h"

namespace quilto::core {

namespace {
constexpr std::array<std::string Id3v2Record::*, Id3v2Record::kFieldCount> kMembers = {
    &Id3v2Record::artist,     &Id3v2Record::title,     &Id3v2Record::album,     &Id3v2Record::track,
    &Id3v2Record::year,       &Id3v2Record::comment,   &Id3v2Record::genre,     &Id3v2Record::composer,
    &Id3v2Record::origArtist, &Id3v2Record::copyright, &Id3v2Record::url,       &Id3v2Record::encodedBy,
    &Id3v2Record::encoder,
};
}  // namespace

std::string& Id3v2Record::field(std::size_t index) { return this->*kMembers.at(index); }
const std::string& Id3v2Record::field(std::size_t index) const { return this->*kMembers.at(index); }

}  // namespace quilto::core
