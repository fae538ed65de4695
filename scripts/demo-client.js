// A script client of the agent: creates an agent object and calls it through IDispatch.
var agent = new ActiveXObject("TeskAgent.Tesk_Agent");
WScript.Echo("created TeskAgent.Tesk_Agent");
try {
    agent.StopServer("No.Such.Server");
    WScript.Echo("StopServer(\"No.Such.Server\") returned S_OK");
} catch (e) {
    WScript.Echo("StopServer(\"No.Such.Server\") failed: 0x" + (e.number >>> 0).toString(16));
}
agent = null;
CollectGarbage();
