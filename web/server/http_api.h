// The routes of the server: the page's files and the operations the page
// needs, nothing else. All answers of /api are JSON; a refusal is a 4xx (or
// 503) with {"error": "..."}.
//
//   POST /api/session                          a new session (its own engine)
//   GET  /api/events?session=ID                the session's events (Server-Sent Events)
//   POST /api/new      session size rule tag   a new game
//   POST /api/position session size moves [blocks] think [time] [lines] [forbid] tag
//   POST /api/stop     session                 stops a think
//   POST /api/close    session                 ends the session and its engine
#pragma once

#include "access_check.h"
#include "session_table.h"
#include "static_files.h"

namespace httplib {
class Server;
}

namespace web {

void installRoutes(httplib::Server& server, SessionTable& sessions, const StaticFiles& files,
                   const AccessCheck& access);

}  // namespace web
