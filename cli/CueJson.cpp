#include "cli/CueJson.h"

namespace quilto::cli {

Json CueHeaderJson(const pack::CueHeader& header) {
    Json json = Json::object();
    json["title"] = JsonText(header.title);
    json["performer"] = JsonText(header.performer);
    json["file"] = JsonText(header.file);
    json["kbps"] = JsonText(header.kbps);
    json["hz"] = JsonText(header.hz);
    json["frames"] = JsonText(header.frames);
    json["time"] = JsonText(header.time);
    return json;
}

Json CueRowsJson(const pack::CueList& cues) {
    Json rows = Json::array();
    for (const pack::CueRow& row : cues) {
        Json item = Json::object();
        item["performer"] = JsonText(row.performer);
        item["title"] = JsonText(row.title);
        item["index"] = JsonText(row.index);
        rows.push_back(std::move(item));
    }
    return rows;
}

}  // namespace quilto::cli
