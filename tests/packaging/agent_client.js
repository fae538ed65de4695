// Creates an agent object and makes one call that the agent logs (a server
// name that resolves to nothing); prints how the call was answered.
var agent = new ActiveXObject("TeskAgent.Tesk_Agent");
try {
    agent.StopServer("No.Such.Server");
    WScript.Echo("answered 0x0");
} catch (e) {
    WScript.Echo("answered 0x" + (e.number >>> 0).toString(16));
}
