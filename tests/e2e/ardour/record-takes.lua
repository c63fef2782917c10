-- Records takes with Ardour's real engine and no GUI, for tests that watch what Ardour writes.
-- Run by Ardour's Lua session host (see run-ardour.sh). It creates a new session with a mono
-- track "Gtr" and a stereo track "Piano", arms both, and records a number of passes, each
-- followed by a gap with the transport stopped and the session still open, then closes the
-- session and lets the host exit.
--
-- Settings come from the environment:
--   RECORD_SESSION_FOLDER   the session folder; it must not exist yet
--   RECORD_SESSION_NAME     the session (snapshot) name
--   RECORD_PREFIX_TAKE      "on" or "off": the session option "Prefix Take Name"
--   RECORD_PASSES, RECORD_SECONDS, RECORD_GAP_SECONDS
--
-- One line per event on standard output, flushed at once: "ready", "recording N" (once Ardour
-- records), "stopped N" (once the transport has stopped and the session is saved), "done".
--
-- What Ardour 7.3 does with this (seen with Debian's package, dummy backend, 48 kHz):
-- - Files go to <folder>/interchange/<folder's base name>/audiofiles: the folder's name, not
--   the session name (Ardour's libs/ardour/session_directory.cc, SessionDirectory::sources_root).
-- - "Prefix Take Name" on: Take1_Gtr-1.wav, Take1_Piano-1%L.wav, Take1_Piano-1%R.wav, then
--   Take2_... ; Ardour itself moves the take name on after each pass. Off: Gtr-1.wav,
--   Piano-1%L.wav, Piano-1%R.wav, then Gtr-2.wav, ... The option defaults to on in new sessions
--   (libs/ardour/ardour/session_configuration_vars.h, "track-name-take").
-- - A pass's files appear about 3 s after the roll, grow in 512 KiB steps (about every 2.7 s
--   for a mono float track at 48 kHz) and stay open, after the stop too, until the session closes.

local function setting(name)
    local value = os.getenv(name)
    if value == nil or value == "" then
        error("the environment variable " .. name .. " is not set")
    end
    return value
end

local function number(name)
    return tonumber(setting(name)) or error(name .. " is not a number")
end

local function say(line)
    io.stdout:write(line, "\n")
    io.stdout:flush()
end

-- The engine works in its own threads; the script only waits for what it asked for.
local function waitFor(what, condition, seconds)
    for _ = 1, seconds * 10 do
        if condition() then
            return
        end
        sleep(0.1)
    end
    error("Ardour did not " .. what .. " within " .. seconds .. " s")
end

local folder = setting("RECORD_SESSION_FOLDER")
local name = setting("RECORD_SESSION_NAME")
local prefix = setting("RECORD_PREFIX_TAKE")
local passes = number("RECORD_PASSES")
local seconds = number("RECORD_SECONDS")
local gapSeconds = number("RECORD_GAP_SECONDS")
if prefix ~= "on" and prefix ~= "off" then
    error("RECORD_PREFIX_TAKE must be on or off, not " .. prefix)
end

-- The dummy backend needs no sound card; create_session starts the engine with it.
if not AudioEngine:set_backend("None (Dummy)", "", "") then
    error("Ardour has no dummy audio backend")
end
if create_session(folder, name, 48000) == nil then
    error("Ardour could not create a session in " .. folder)
end
Session:cfg():set_track_name_take(prefix == "on")

for _, track in ipairs({ { name = "Gtr", channels = 1 }, { name = "Piano", channels = 2 } }) do
    local created = Session:new_audio_track(track.channels, 2, nil, 1, track.name,
        ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true)
    if created:size() ~= 1 then
        error("Ardour could not add the track " .. track.name)
    end
    for t in created:iter() do
        t:rec_enable_control():set_value(1, PBD.GroupControlDisposition.NoGroup)
    end
end
say("ready")

for pass = 1, passes do
    Session:maybe_enable_record(false)
    Session:request_roll(ARDOUR.TransportRequestSource.TRS_UI)
    waitFor("start recording", function() return Session:actively_recording() end, 30)
    say("recording " .. pass)
    sleep(seconds)
    Session:request_stop(false, false, ARDOUR.TransportRequestSource.TRS_UI)
    waitFor("stop", function() return Session:transport_stopped() end, 30)
    -- Ardour's GUI saves the session when a pass that recorded ends (Session::non_realtime_stop
    -- emits SaveSessionRequested, libs/ardour/session_transport.cc; ARDOUR_UI answers with
    -- save_session_at_its_request, gtk2_ardour). This host has no GUI, so the script saves.
    Session:save_state("", false, false, false, false, false)
    say("stopped " .. pass)
    sleep(gapSeconds)
end

close_session()
say("done")
