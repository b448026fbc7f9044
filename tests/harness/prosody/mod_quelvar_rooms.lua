-- Lets the chat-service simulator play the service's visitor chat rooms:
-- loaded on a component host, it hands every stanza sent to a room there to
-- the simulator account unchanged, so the simulator sees the agents join
-- and what they say in the room. The simulator also speaks for the rooms:
-- what it sends from a room's address reaches the agent from that address.

local st = require "util.stanza";
local jid = require "util.jid";
local filters = require "util.filters";

local target = module:get_option_string("quelvar_relay_target", "sim@localhost");

local function to_simulator(event)
	local bare = prosody.bare_sessions[target];
	if not bare then return; end
	for _, session in pairs(bare.sessions) do
		if session.full_jid then
			module:log("debug", "handing %s for %s to the simulator", event.stanza.name, event.stanza.attr.to or "");
			session.send(event.stanza);
			return true;
		end
	end
end

for _, kind in ipairs({ "message", "presence" }) do
	module:hook(kind .. "/bare", to_simulator, 1000);
	module:hook(kind .. "/full", to_simulator, 1000);
end

-- The server stamps a client's own address on what it sends, so the
-- simulator's stanzas from a room are taken before the router sees them.
local function from_room(stanza, origin)
	if (stanza.name ~= "message" and stanza.name ~= "presence") or not origin.full_jid
		or jid.bare(origin.full_jid) ~= target or jid.host(stanza.attr.from) ~= module.host then
		return stanza;
	end
	local session = prosody.full_sessions[stanza.attr.to or ""];
	if session then
		local copy = st.clone(stanza);
		copy.attr.xmlns = nil;
		session.send(copy);
	end
	return nil;
end

local function add_filter(session)
	if session.type and session.type:match("^c2s") then
		filters.add_filter(session, "stanzas/in", from_room, 1000);
	end
end

function module.load()
	filters.add_filter_hook(add_filter);
end

function module.unload()
	filters.remove_filter_hook(add_filter);
end
