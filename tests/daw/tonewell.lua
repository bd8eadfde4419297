-- Drives Ardour's Lua shell (ardour7-lua) through what a user does with Tonewell.
--   ardour7-lua tonewell.lua create SESSION_DIR
--     a session with a MIDI track carrying Tonewell; a factory program chosen from
--     the host's preset list; "Binaural" set to 12.5; saved and closed.
--   ardour7-lua tonewell.lua reopen SESSION_DIR
--     the saved session opened again, its values read back, closed; prints the
--     values that decide the two tones for the measurement of an export.
-- Each step prints "step: NAME" before it starts, so that a watchdog outside can
-- name the step that hangs. Any failure raises an error: the shell exits with 1.
io.stdout:setvbuf("line")

local phase, dir = arg[1], arg[2]
local SESSION = "tonewell"
local PROGRAM = "Binaural - 7.83 (Schumann Resonance)"
-- Ardour keeps parameter values as single-precision floats.
local TOLERANCE = 1e-4

local function step(name) print("step: " .. name) end
local function check(ok, message) if not ok then error(message, 0) end end

if phase ~= "create" and phase ~= "reopen" then
    error("usage: tonewell.lua create|reopen SESSION_DIR", 0)
end
check(dir ~= nil and dir ~= "", "no session folder given")

step("engine")
check(AudioEngine:set_backend("None (Dummy)", "", ""), "the dummy audio backend is not available")

local session
if phase == "create" then
    step("create session")
    session = create_session(dir, SESSION, 48000)
else
    step("load session")
    session = load_session(dir, SESSION)
end
check(session ~= nil, "no session in " .. dir)

-- The plug-in, its insert and its parameters, found by their names.
local proc, plugin
local index = {}
local function find_plugin(route)
    for i = 0, 16 do
        local p = route:nth_plugin(i)
        if p:isnil() then break end
        local insert = p:to_insert()
        if not insert:isnil() and insert:plugin(0):name() == "Tonewell" then
            return p, insert:plugin(0)
        end
    end
end
local function index_parameters()
    for i = 0, plugin:parameter_count() - 1 do
        index[plugin:parameter_label(i)] = i
    end
    for _, name in ipairs({ "Frequency", "Binaural", "Pan Reverse", "Center Freq" }) do
        check(index[name] ~= nil, "Tonewell has no parameter " .. name)
    end
end
local function value(name) return ARDOUR.LuaAPI.get_processor_param(proc, index[name], true) end
local function near(name, expected) return math.abs(value(name) - expected) <= TOLERANCE end
local function values()
    return string.format("Frequency %.4f, Binaural %.4f", value("Frequency"), value("Binaural"))
end

if phase == "create" then
    step("add track")
    local midi = ARDOUR.ChanCount(ARDOUR.DataType("midi"), 1)
    local stereo = ARDOUR.ChanCount(ARDOUR.DataType("audio"), 2)
    local tracks = session:new_midi_track(midi, stereo, true, ARDOUR.PluginInfo(), nil, nil, 1,
        "Tonewell", ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true)
    check(tracks:size() == 1, "no MIDI track")
    local track = tracks:front()

    step("add plugin")
    -- The plug-in list is read from the scanner's cache on first use.
    ARDOUR.LuaAPI.list_plugins()
    proc = ARDOUR.LuaAPI.new_plugin(session, "Tonewell", ARDOUR.PluginType.VST3, "")
    check(not proc:isnil(), "Ardour knows no VST3 plug-in named Tonewell (scan failed?)")
    check(track:add_processor_by_index(proc, 0, nil, true) == 0, "the track refused Tonewell")
    plugin = proc:to_insert():plugin(0)
    index_parameters()

    step("load program")
    local preset = plugin:preset_by_label(PROGRAM)
    check(preset ~= nil and preset.valid, "the host lists no program \"" .. PROGRAM .. "\"")
    check(plugin:load_preset(preset), "the host could not load \"" .. PROGRAM .. "\"")

    step("read program values")
    -- The host hears of the program's values once the plug-in has told it; a second
    -- is plenty, and a bound, not a measurement.
    for _ = 1, 20 do
        if near("Frequency", 200) and near("Binaural", 7.83) then break end
        sleep(0.05)
    end
    check(near("Frequency", 200) and near("Binaural", 7.83),
        "after the program the host reads " .. values() .. ", not Frequency 200, Binaural 7.83")
    print("program values: " .. values())

    step("set Binaural")
    check(ARDOUR.LuaAPI.set_processor_param(proc, index["Binaural"], 12.5),
        "the host refused Binaural 12.5")
    check(near("Binaural", 12.5), "after setting 12.5 the host reads " .. values())

    step("save session")
    check(session:save_state("", false, false, false, false, false) == 0, "saving failed")

    step("close session")
    close_session()
else
    step("find plugin")
    for route in session:get_routes():iter() do
        if proc == nil then proc, plugin = find_plugin(route) end
    end
    check(proc ~= nil, "the reopened session has no Tonewell")
    index_parameters()

    step("read saved values")
    check(near("Frequency", 200) and near("Binaural", 12.5),
        "the reopened session reads " .. values() .. ", not Frequency 200, Binaural 12.5")
    print("saved values: " .. values())
    -- The measurement outside needs all that decides the two tones.
    print(string.format("tones: frequency=%.6f binaural=%.6f center=%d reverse=%d",
        value("Frequency"), value("Binaural"),
        value("Center Freq") > 0.5 and 1 or 0, value("Pan Reverse") > 0.5 and 1 or 0))

    step("close session")
    close_session()
end
step("done")
