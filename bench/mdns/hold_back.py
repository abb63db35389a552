"""A responder variant for bench.py --hold-back, run by tests/lan/devices.py before its responder
starts (VINDRA_LAN_RESPONDER_MODULE): python3-zeroconf then answers shared records (PTR) by
multicast 20-120 ms later even when a question asks for a unicast answer (QU), as responders that
hold back every answer to a shared record do (RFC 6762 §6). Answers with unique records only
(SRV, TXT, A, AAAA) go as before.
"""

from zeroconf._handlers import _QueryResponse

_TYPE_PTR = 12
_answer_qu = _QueryResponse.add_qu_question_response


def _hold_back_shared(self, answers):
    shared = {record: extra for record, extra in answers.items() if record.type == _TYPE_PTR}
    self._additionals.update(shared)
    self._mcast_aggregate.update(shared)
    _answer_qu(self, {record: extra for record, extra in answers.items() if record not in shared})


_QueryResponse.add_qu_question_response = _hold_back_shared
