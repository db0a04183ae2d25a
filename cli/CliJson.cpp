#include "cli/CliJson.h"

std::string CliJson::Line(const nlohmann::json& object) {
    return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}
