// The add-on's hold on the IDE's root object (see addon/host_access.h).
// Tested by tests/addon/host_access_test.cpp.
#include "addon/host_access.h"

HostServer* hostServer;
HINSTANCE moduleInstance;
char projectPath[kProjectPathSize];

void setHostServer(HostServer* server) { hostServer = server; }

void releaseHostServer() {
  if (!hostServer) return;
  hostServer->Release();
  hostServer = nullptr;
}

void* getService(REFIID iid) {
  if (!hostServer) return nullptr;
  void* service = nullptr;
  if (hostServer->QueryInterface(iid, &service) != S_OK) return nullptr;
  return service;
}

HostString* makeString(LPCSTR text) {
  HostServer* server = hostServer;
  if (!server) return nullptr;
  server->AddRef();
  HostString* string = server->createString();
  if (string) string->setText(text);
  server->Release();
  return string;
}

HostFile* makeFile() {
  HostServer* server = hostServer;
  if (!server) return nullptr;
  server->AddRef();
  HostFile* file = server->createFile();
  server->Release();
  return file;
}
