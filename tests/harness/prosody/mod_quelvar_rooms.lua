-- Lets the chat-service simulator play the service's visitor chat rooms:
-- loaded on a component host, it hands every stanza sent to a room there to
-- the simulator account unchanged, so the simulator sees the agents join
-- and what they say in the room. What the simulator says from a room's
-- address here, mod_quelvar_relay hands to the agent.

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
