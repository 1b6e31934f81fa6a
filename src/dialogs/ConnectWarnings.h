#pragma once
// The warnings of the dialog commands that connect to the meter on their own when none is connected.

#include <exception>

class Prompts;

// "Could not make a connection to Talvo!": no meter answered on any port.
void WarnNotConnected(Prompts &prompts);
// "A problem occurred while connecting with the message:" and the failure's message.
void WarnConnectProblem(Prompts &prompts, const std::exception &e);
// The meter stopped answering during a read or a write; the caller disconnects.
void WarnCommunicationProblem(Prompts &prompts);
