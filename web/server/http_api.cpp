#include "http_api.h"

#include <httplib.h>

#include <functional>
#include <string>

#include "game_limits.h"
#include "http_error.h"
#include "json_text.h"
#include "point_list.h"
#include "protocol_script.h"
#include "request_params.h"

namespace web {

namespace {

// How often a waiting event stream looks again, and how long it stays silent
// before a comment line keeps the connection (and the session) alive.
constexpr auto StreamPoll = std::chrono::milliseconds(500);
constexpr auto StreamKeepAlive = std::chrono::seconds(10);

const char* const ApiPosts[] = {"/api/session", "/api/new", "/api/position", "/api/stop", "/api/close"};

void answerJson(httplib::Response& response, int status, const std::string& json) {
    response.status = status;
    response.set_header("Cache-Control", "no-store");
    response.set_content(json, "application/json");
}

void answerError(httplib::Response& response, const HttpError& error) {
    answerJson(response, error.status, "{\"error\":" + jsonString(error.message) + "}");
}

// Runs an operation, turning its HttpError into the answer.
httplib::Server::Handler guarded(std::function<void(const httplib::Request&, httplib::Response&)> operation) {
    return [operation](const httplib::Request& request, httplib::Response& response) {
        try {
            operation(request, response);
        } catch (const HttpError& error) {
            answerError(response, error);
        }
    };
}

const std::string& sessionId(const RequestParams& params) {
    const std::string& id = params.text("session");
    bool valid = id.size() == 32;
    for (char c : id) valid = valid && ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'));
    if (!valid) throw HttpError{400, "parameter session must be 32 hexadecimal digits"};
    return id;
}

void newSession(SessionTable& sessions, httplib::Response& response) {
    const std::shared_ptr<EngineSession> session = sessions.create();
    answerJson(response, 200,
               "{\"session\":" + jsonString(session->id()) + ",\"engine\":" + std::to_string(session->enginePid()) +
                   ",\"maxSessions\":" + std::to_string(sessions.maxSessions()) + "}");
}

void newGame(SessionTable& sessions, const httplib::Request& request, httplib::Response& response) {
    const RequestParams params(request, {"session", "size", "rule", "tag"});
    const std::string& id = sessionId(params);
    GameSetup setup;
    setup.size = params.integer("size", MinBoardSize, MaxBoardSize);
    setup.rule = Rule(params.integer("rule", 0, 2));
    const int tag = params.integer("tag", 0, MaxTag);
    sessions.find(id)->newGame(setup, tag);
    answerJson(response, 200, "{\"ok\":true}");
}

void setPosition(SessionTable& sessions, const httplib::Request& request, httplib::Response& response) {
    const RequestParams params(
        request, {"session", "size", "moves", "blocks", "think", "time", "lines", "forbid", "tag"});
    const std::string& id = sessionId(params);
    const int size = params.integer("size", MinBoardSize, MaxBoardSize);
    PositionOrder order;
    order.moves = parsePointList(params.textOr("moves", ""), size, "move");
    order.blocks = parsePointList(params.textOr("blocks", ""), size, "blocked point");
    order.think = ThinkKind(params.choice("think", {"none", "move", "analyse"}));
    if (order.think == ThinkKind::Move) order.moveTimeMs = params.integer("time", MinMoveTimeMs, MaxMoveTimeMs);
    else if (params.has("time")) throw HttpError{400, "parameter time goes only with think=move"};
    order.lines = params.integerOr("lines", 1, MaxAnalysisLines, 1);
    order.showForbidden = params.integerOr("forbid", 0, 1, 0) == 1;
    const int tag = params.integer("tag", 0, MaxTag);
    sessions.find(id)->position(order, size, tag);
    answerJson(response, 200, "{\"ok\":true}");
}

void stopThink(SessionTable& sessions, const httplib::Request& request, httplib::Response& response) {
    const RequestParams params(request, {"session"});
    sessions.find(sessionId(params))->stop();
    answerJson(response, 200, "{\"ok\":true}");
}

void closeSession(SessionTable& sessions, const httplib::Request& request, httplib::Response& response) {
    const RequestParams params(request, {"session"});
    const std::string& id = sessionId(params);
    sessions.find(id);
    sessions.remove(id);
    answerJson(response, 200, "{\"ok\":true}");
}

std::string eventText(const Event& event) {
    return "id: " + std::to_string(event.id) + "\nevent: " + event.type + "\ndata: " + event.data + "\n\n";
}

void streamEvents(SessionTable& sessions, const httplib::Request& request, httplib::Response& response) {
    const RequestParams params(request, {"session"});
    const std::shared_ptr<EngineSession> session = sessions.findToStream(sessionId(params));
    // An EventSource that reconnects says where it stopped.
    uint64_t after = 0;
    if (request.has_header("Last-Event-ID")) {
        const std::string last = request.get_header_value("Last-Event-ID");
        bool valid = !last.empty() && last.size() <= 18;
        for (char c : last) valid = valid && c >= '0' && c <= '9';
        if (!valid) throw HttpError{400, "Last-Event-ID must be an event number"};
        after = std::stoull(last);
    }
    if (!session->openStream())
        throw HttpError{429, "this session already has " + std::to_string(EngineSession::MaxStreams) +
                                 " event streams open"};
    response.set_header("Cache-Control", "no-store");
    struct StreamState {
        uint64_t after;
        bool greeted = false;
        std::chrono::steady_clock::time_point lastWrite = std::chrono::steady_clock::now();
    };
    auto state = std::make_shared<StreamState>(StreamState{after});
    response.set_chunked_content_provider(
        "text/event-stream",
        [session, state](size_t, httplib::DataSink& sink) {
            std::string text;
            if (!state->greeted) {
                // Reconnect after a second when the stream breaks.
                text = "retry: 1000\n\n";
                state->greeted = true;
            }
            const std::vector<Event> events = session->events().after(state->after, StreamPoll);
            for (const Event& event : events) {
                text += eventText(event);
                state->after = event.id;
            }
            const auto now = std::chrono::steady_clock::now();
            if (text.empty() && now - state->lastWrite > StreamKeepAlive) text = ": keep-alive\n\n";
            if (!text.empty()) {
                if (!sink.write(text.data(), text.size())) return false;
                state->lastWrite = now;
            }
            if (events.empty() && session->events().closed()) sink.done();
            return true;
        },
        [session](bool) { session->closeStream(); });
}

void serveFile(const StaticFiles& files, const httplib::Request& request, httplib::Response& response) {
    const std::optional<StaticFile> file = files.find(request.path);
    if (!file) throw HttpError{404, "no such page or operation"};
    response.set_header("Cache-Control", "no-cache");
    response.set_header("X-Content-Type-Options", "nosniff");
    // The page loads nothing from the network: only its own files and this server.
    response.set_header("Content-Security-Policy",
                        "default-src 'self'; img-src 'self' data:; style-src 'self'; script-src 'self'; "
                        "connect-src 'self'; frame-ancestors 'none'");
    response.set_content(file->body, file->contentType.c_str());
}

bool isApiPost(const std::string& path) {
    for (const char* p : ApiPosts)
        if (path == p) return true;
    return false;
}

}  // namespace

void installRoutes(httplib::Server& server, SessionTable& sessions, const StaticFiles& files,
                   const AccessCheck& access) {
    server.set_pre_routing_handler([&access](const httplib::Request& request, httplib::Response& response) {
        if (const std::optional<HttpError> refusal = access.refuse(request)) {
            answerError(response, *refusal);
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });

    server.Post("/api/session", guarded([&sessions](const httplib::Request& request, httplib::Response& response) {
                    const RequestParams params(request, {});
                    newSession(sessions, response);
                }));
    server.Post("/api/new", guarded([&sessions](const httplib::Request& request, httplib::Response& response) {
                    newGame(sessions, request, response);
                }));
    server.Post("/api/position", guarded([&sessions](const httplib::Request& request, httplib::Response& response) {
                    setPosition(sessions, request, response);
                }));
    server.Post("/api/stop", guarded([&sessions](const httplib::Request& request, httplib::Response& response) {
                    stopThink(sessions, request, response);
                }));
    server.Post("/api/close", guarded([&sessions](const httplib::Request& request, httplib::Response& response) {
                    closeSession(sessions, request, response);
                }));
    server.Get("/api/events", guarded([&sessions](const httplib::Request& request, httplib::Response& response) {
                   streamEvents(sessions, request, response);
               }));

    // Every other GET: a page file, or a POST operation asked for by GET.
    server.Get(".*", guarded([&files](const httplib::Request& request, httplib::Response& response) {
                   if (isApiPost(request.path)) throw HttpError{405, request.path + " takes POST"};
                   serveFile(files, request, response);
               }));
    server.Post(".*", guarded([&files](const httplib::Request& request, httplib::Response& response) {
                    if (request.path == "/api/events" || files.find(request.path))
                        throw HttpError{405, request.path + " takes GET"};
                    throw HttpError{404, "no such operation"};
                }));

    // Whatever the routes above leave without an answer (an unknown method,
    // a request the library could not parse) still gets a JSON message.
    server.set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (!response.body.empty()) return;
        const int status = response.status;
        const char* message = status == 404   ? "no such page or operation"
                              : status == 413 ? "the request is too large"
                              : status == 405 ? "this method is not accepted here"
                                              : "the request could not be read";
        answerJson(response, status, "{\"error\":" + jsonString(message) + "}");
    });
    server.set_exception_handler([](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
        answerJson(response, 500, "{\"error\":\"the server failed on this request\"}");
    });
}

}  // namespace web
