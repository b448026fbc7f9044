-- Lets a second test client play the chat service: iq stanzas that an
-- account sends without "to" in the service's own namespaces go to the
-- simulator account, and the simulator's iq stanzas to other accounts
-- arrive as if the server had sent them.

local st = require "util.stanza";
local jid_bare = require "util.jid".bare;
local jid_split = require "util.jid".split;
local filters = require "util.filters";
local modulemanager = require "core.modulemanager";

local relayed = module:get_option_set("quelvar_relay_namespaces", { "quelvar:tessary", "quelvar:data" });
local target = module:get_option_string("quelvar_relay_target", "sim@" .. module.host);
-- Off unless asked for: the simulator also plays the visitors' rooms, whose
-- nodes begin with "visitors.".
local relay_rooms = module:get_option_boolean("quelvar_relay_rooms", false);

-- A visitor's room: on this host when the relay plays the rooms, or on a
-- component host where mod_quelvar_rooms plays them.
local function is_room(address)
	local node, host = jid_split(address);
	if node == nil then return false; end
	if host ~= module.host then return modulemanager.is_loaded(host, "quelvar_rooms") == true; end
	return relay_rooms and node:sub(1, 9) == "visitors.";
end

local function simulator_session()
	local bare = prosody.bare_sessions[target];
	if not bare then return nil; end
	for _, session in pairs(bare.sessions) do
		if session.full_jid then return session; end
	end
end

-- The service's data requests carry two children, which the stanza router
-- refuses in a get or set, so the requests are taken as they come in, before
-- the router sees them.
local function relay_request(stanza, origin)
	if origin.full_jid and (stanza.name == "message" or stanza.name == "presence") then
		if jid_bare(origin.full_jid) == target then
			-- The simulator speaks for a room: its stanza reaches the agent
			-- from the room's address.
			if stanza.attr.from and is_room(stanza.attr.from) then
				local session = prosody.full_sessions[stanza.attr.to or ""];
				if session then
					local copy = st.clone(stanza);
					copy.attr.xmlns = nil;
					session.send(copy);
				end
				return nil;
			end
		elseif stanza.attr.to and is_room(stanza.attr.to) then
			-- What an agent says in a room goes to the simulator, the room's
			-- address kept in "to".
			local simulator = simulator_session();
			if simulator then
				local copy = st.clone(stanza);
				copy.attr.xmlns = nil;
				copy.attr.from = origin.full_jid;
				simulator.send(copy);
			end
			return nil;
		end
	end
	if stanza.name ~= "iq" or stanza.attr.to ~= nil or not origin.full_jid then return stanza; end
	if jid_bare(origin.full_jid) == target then return stanza; end
	local child = stanza.tags[1];
	if not child or not relayed:contains(child.attr.xmlns or "") then return stanza; end

	local simulator = simulator_session();
	if not simulator then
		if stanza.attr.type == "get" or stanza.attr.type == "set" then
			origin.send(st.error_reply(stanza, "cancel", "service-unavailable", "No chat-service simulator is signed in"));
		end
		return nil;
	end
	local copy = st.clone(stanza);
	copy.attr.xmlns = nil;
	copy.attr.from = origin.full_jid;
	copy.attr.to = simulator.full_jid;
	module:log("debug", "relaying %s iq %s from %s to the simulator", copy.attr.type, copy.attr.id or "", origin.full_jid);
	simulator.send(copy);
	return nil;
end

local function add_relay(session)
	if session.type and session.type:match("^c2s") then
		filters.add_filter(session, "stanzas/in", relay_request, 1000);
	end
end

function module.load()
	filters.add_filter_hook(add_relay);
end

function module.unload()
	filters.remove_filter_hook(add_relay);
end

-- Off unless asked for: tells the simulator of each session's first
-- presence, so that it can play the service's greeting of a signed-in agent.
if module:get_option_boolean("quelvar_relay_signins", false) then
	module:hook("presence/initial", function (event)
		local origin = event.origin;
		if not origin.full_jid or jid_bare(origin.full_jid) == target then return; end
		local simulator = simulator_session();
		if simulator then
			simulator.send(st.presence({ from = origin.full_jid, to = simulator.full_jid }));
		end
	end);
	-- And of its end, so that the next sign-in of the same address counts.
	module:hook("resource-unbind", function (event)
		local session = event.session;
		if not session.full_jid or jid_bare(session.full_jid) == target then return; end
		local simulator = simulator_session();
		if simulator then
			simulator.send(st.presence({ from = session.full_jid, to = simulator.full_jid, type = "unavailable" }));
		end
	end);
end

module:hook("pre-iq/full", function (event)
	local origin, stanza = event.origin, event.stanza;
	if not origin.full_jid or jid_bare(origin.full_jid) ~= target then return; end
	local session = prosody.full_sessions[stanza.attr.to];
	if not session then return; end
	local copy = st.clone(stanza);
	copy.attr.from = module.host;
	session.send(copy);
	return true;
end, 1000);
