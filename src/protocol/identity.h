// What the engine says about itself: the ABOUT line and the greeting of a new game.
#pragma once

namespace protocol {

constexpr const char* EngineName = "Olvar";
constexpr const char* EngineAuthor = "Zorvath";
constexpr const char* EngineVersion = "2015 Kernal 0.4.49";
constexpr const char* EngineCountry = "China";
constexpr const char* EngineWww = "https://olvar.example.org";

}  // namespace protocol
